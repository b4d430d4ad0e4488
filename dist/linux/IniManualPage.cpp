// Writes the kestrune.ini(5) manual page from the settings table, so the page cannot drift from the program.
#include "ExternalServices.h"
#include "SettingsManual.h"

#include <fstream>
#include <iostream>
#include <string>

using namespace kestrune::core;

namespace {

std::string roff(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

// The fixed parts of the page, around the generated reference; @VERSION@ is the program's version.
constexpr const char* kHead = R"(.TH KESTRUNE.INI 5 "" "Kestrune @VERSION@" "File Formats"
.SH NAME
kestrune.ini \- settings file of kestrune
.SH DESCRIPTION
Kestrune keeps all its settings in one INI file:
.I kestrune.ini
beside the executable, else in
.IR $XDG_CONFIG_HOME/kestrune/ ,
or the file
.B \-\-config
names.
Section and key names match without regard to case; values are trimmed and one pair of enclosing double
quotes is removed; a value holds at most 2047 characters.
A boolean is
.B 1
(on) or
.B 0
(off); an integer may be written in hexadecimal after
.BR 0x .
A missing key or a value that does not read takes the default.
Lines starting with
.B ;
are comments.
.PP
Passwords are stored scrambled, never in plain text: set them with
.BR "kestrune \-\-config FILE \-\-set\-password mail|ftp|command|dns:" \fIi\fR,
which reads them from standard input without echo.
Keys of type
.I state
are kept by the program: what was published, when, and what waits for another try
.RB ( "kestrune \-\-status"
shows them); leave them alone.
A run without a window warns about every key it does not know.
.SH SECTIONS AND KEYS
)";

constexpr const char* kTail = R"(.SH EXAMPLES
A check every 30 minutes through an HTTPS service, asking the other services when it fails, writing the
address into a file and a log:
.PP
.EX
[Lookup]
External=1
userDefined=0
ExtDNS=https://api.ipify.org
Fallback=1

[Local]
SaveIP=1
Filename=/home/me/public-ip.txt
SaveLog=1
Log=/home/me/public-ip.log

[System]
Interval=30
.EE
.PP
One dynamic-DNS entry, its password set afterwards:
.PP
.EX
[DNSUpdate]
Count=1
Enabled1=1
Provider1=dyndns2
Server1=members.dyndns.org
Hosts1=home.example.org
User1=me
.EE
.PP
.EX
$ kestrune \-\-config ~/.config/kestrune/kestrune.ini \-\-set\-password dns:1
.EE
.PP
A commented sample is installed as
.IR /usr/share/doc/kestrune/kestrune.ini
(under the installation prefix).
.SH SEE ALSO
.BR kestrune (1)
)";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " VERSION OUTPUT\n";
        return 64;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << replaced(kHead, "@VERSION@", argv[1]);
    const std::vector<ManualKey> keys = manualKeys(kestrune::lookup::kExternalServices[0].url);
    for (const ManualSection& section : manualSections()) {
        out << ".SS [" << section.name << "]\n" << roff(section.meaning) << "\n";
        for (const ManualKey& key : keys) {
            if (key.section != section.name)
                continue;
            out << ".TP\n.B " << roff(key.key) << "\n" << roff(key.type);
            if (key.type != "state" && key.type != "list")
                out << ", default " << (key.defaultValue.empty() ? "empty" : "\\fB" + roff(key.defaultValue) + "\\fR");
            out << ".\n" << roff(key.meaning) << "\n";
        }
    }
    out << kTail;
    out.close();
    return out ? 0 : 1;
}
