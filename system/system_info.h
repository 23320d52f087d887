// Answers about the machine and the process: the keyed platform query, the
// language code, the time texts and the machine identifier.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "orvane/rt_string.h"

namespace orv {

// The keyed query behind PlatformInfo: keys compared in upper case, first
// match answers, "NO_DATA" for anything unanswerable.
RtString PlatformInfoText(const RtString& key);

// Where "TIME" and "UTCTIME" read the time: seconds since 1970. Tests fix
// it; null puts the system clock back.
using TimeSource = int64_t (*)();
void SetTimeSource(TimeSource source);

// "YYYY-MM-DD hh:mm:ss" of a broken-down time.
std::string TimeText(const std::tm& t);

// The language id a locale name ("de_DE.UTF-8", "sr_RS@latin") stands for;
// 0 when the language is unknown and for the C locale, which names none.
int32_t LanguageIdForLocale(const std::string& locale);
// The process's locale name: LC_ALL, else LC_MESSAGES, else LANG ("" when none is set).
std::string ProcessLocaleName();
// The two-letter code of a language id, after the code table and the
// clean-up steps ("us" when the id is not listed).
std::string LanguageCode(int32_t languageId);

// The runtime's version ("VERSION") and when it was built ("COMPILED").
const char* RuntimeVersion();
const char* RuntimeBuildTime();

// The identifier text of "ID" for a machine identifier text ("" when there is none).
std::string MachineIdAnswer(const std::string& machineId);

}  // namespace orv
