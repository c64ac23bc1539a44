// The text of a Windows profile (INI) file read the way the system's profile
// reader reads it, so that the Linux build answers as GetPrivateProfileIntA.
#pragma once

#include <string_view>

namespace platform {

// The integer of key in section (both ignoring the case of letters); fallback
// when the section or the key is missing or its value is empty. Only the first
// section of a name counts, and in it the first key of a name.
int profileIntFromText(std::string_view text, std::string_view section, std::string_view key,
                       int fallback);

} // namespace platform
