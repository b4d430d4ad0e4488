#include "RouterPresets.h"

namespace kestrune::lookup {

namespace {

constexpr RouterPreset kPresets[] = {
    {"Linksys BEFSRU31", "192.168.1.1/Status.htm,<!--WAN head-->,365,admin,rivet", true},
    {"Mentor MR4A/UK", "192.168.8.1/home/hstatus.sht,or=#FFFFFF><b>,1", false},
    {"Netgear DG834 (G)", "192.168.0.1/setup.cgi?next_file=s_status.htm,P Address </b>,25,admin,lanterns", true},
};

} // namespace

std::span<const RouterPreset> routerPresets() { return kPresets; }

LookupRecord presetRecord(const RouterPreset& preset)
{
    return parseLookupRecord(preset.record, preset.credentials);
}

} // namespace kestrune::lookup
