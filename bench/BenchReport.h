#pragma once

#include <string>
#include <vector>

// One row of the benchmark table on standard output: "<case>\t<figures>\tratio N.NN", the ratio being ours
// divided by the peer named in the case. bench/run lines the rows up.
void PrintRow(const std::string& name, const std::string& figures, double ratio);

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

double Median(std::vector<double> samples);
