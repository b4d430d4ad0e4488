#include "BenchReport.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>

void PrintRow(const std::string& name, const std::string& figures, double ratio)
{
    std::printf("%s\t%s\tratio %.2f\n", name.c_str(), figures.c_str(), ratio);
    std::fflush(stdout);
}

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        throw std::runtime_error("no samples");
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
