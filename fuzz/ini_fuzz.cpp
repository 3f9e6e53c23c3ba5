// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the INI reader, reads keys the way documents and
// settings do, writes some back and checks that the written text reads the
// same values again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/support/ini_file.h"

using curvane::TIniFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TIniFile ini = TIniFile::FromText(text);
    const char* sections[] = {"Global", "Function1", "View", "Grid", "2D window", ""};
    const char* keys[] = {"Func count", "Expression", "Left", "UnitsX", "Style", ""};
    for (const char* s : sections)
        for (const char* k : keys) {
            const std::string v = ini.ReadString(s, k, "");
            if (v.size() > TIniFile::MaxValueLength) std::abort();
            ini.ReadInteger(s, k, 0);
            ini.ReadFloat(s, k, 0);
            ini.ReadBool(s, k, false);
        }
    for (const char* s : sections) ini.ReadSection(s);

    // Writes must read back exactly, whatever surrounds them.
    ini.WriteString("Global", "Probe", "a=b [c]");
    ini.WriteFloat("Function1", "From", 0.1 + 0.2);
    ini.WriteInteger("new section", "k", -7);
    const TIniFile again = TIniFile::FromText(ini.Text());
    if (again.ReadString("Global", "Probe", "") != "a=b [c]") std::abort();
    if (again.ReadFloat("Function1", "From", 0) != 0.1 + 0.2) std::abort();
    if (again.ReadInteger("new section", "k", 0) != -7) std::abort();
    return 0;
}
