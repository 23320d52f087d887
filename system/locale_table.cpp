// Language ids and their codes: which language id a POSIX locale name stands
// for, and which two-letter code a language id answers. Games compare the
// codes with the ones the original platform gave them, so both tables are
// kept exactly, odd entries included (1033, American English, answers "uk").
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "system/system_info.h"

namespace orv {

namespace {

struct CodeIds {
  const char* code;
  int32_t ids[20];  // unused places are 0
};

const CodeIds kCodes[] = {
    {"AF", {1078}},
    {"AR", {1025, 2049, 3073, 4097, 5121, 6145, 7169, 8193, 9217, 10241, 11265, 12289, 13313, 14337, 15361, 16385}},
    {"AS", {1101}},
    {"AZ", {1068, 2092}},
    {"BE", {1059, 1093}},
    {"BG", {1026}},
    {"CA", {1027}},
    {"CH", {1028, 2052}},
    {"CS", {1029}},
    {"DA", {1030}},
    {"DE", {1031, 2055, 3079, 4103, 5127}},
    {"DI", {1125}},
    {"EL", {1032}},
    {"EN", {2057, 3081, 4105, 5129, 6153, 7177, 8201, 9225, 10249, 11273, 12297, 13321}},
    {"ES", {1034, 2058, 3082, 4106, 5130, 6154, 7178, 8202, 9226, 10250, 11274, 12298, 13322, 14346, 15370, 16394, 17418, 18442, 19466, 20490}},
    {"ET", {1061}},
    {"EU", {1069}},
    {"FA", {1065}},
    {"FI", {1035}},
    {"FO", {1080}},
    {"FR", {1036, 2060, 3084, 4108, 5132, 6156}},
    {"GL", {1110}},
    {"GU", {1095}},
    {"HE", {1037}},
    {"HI", {1081}},
    {"HR", {1050}},
    {"HU", {1038}},
    {"HY", {1067}},
    {"IN", {1057}},
    {"IS", {1039}},
    {"IT", {1040, 2064}},
    {"JP", {1041}},
    {"KA", {1079, 1099}},
    {"KK", {1087}},
    {"KN", {1111}},
    {"KO", {1042}},
    {"KY", {1088}},
    {"LT", {1063, 2087}},
    {"LV", {1062}},
    {"MA", {1100, 1102}},
    {"MK", {1071}},
    {"MO", {1104}},
    {"MS", {1086, 2110}},
    {"NL", {1043, 2067}},
    {"NO", {1044, 2068}},
    {"OR", {1096}},
    {"PA", {1094}},
    {"PL", {1045}},
    {"PT", {1046, 2070}},
    {"RO", {1048}},
    {"RU", {1049}},
    {"SA", {1103}},
    {"SK", {1051}},
    {"SL", {1060}},
    {"SQ", {1052}},
    {"SR", {2074, 3098}},
    {"SV", {1053, 2077}},
    {"SW", {1089}},
    {"SY", {1114}},
    {"TA", {1097}},
    {"TE", {1098}},
    {"TH", {1054}},
    {"TR", {1055}},
    {"TT", {1092}},
    {"UK", {1033, 1058}},
    {"UR", {1056, 2080}},
    {"UZ", {1091, 2115}},
    {"VI", {1066}},
    {"ZH", {3076, 4100, 5124}},};

// Primary language numbers of the language ids (the low ten bits).
struct Primary {
  const char* language;
  int32_t primary;
  int32_t defaultSub;  // the sub-language of a name without a territory
};

const Primary kPrimaries[] = {
    {"ar", 1, 1},   {"bg", 2, 1},   {"ca", 3, 1},   {"zh", 4, 2},   {"cs", 5, 1},   {"da", 6, 1},
    {"de", 7, 1},   {"el", 8, 1},   {"en", 9, 1},   {"es", 10, 3},  {"fi", 11, 1},  {"fr", 12, 1},
    {"he", 13, 1},  {"iw", 13, 1},  {"hu", 14, 1},  {"is", 15, 1},  {"it", 16, 1},  {"ja", 17, 1},
    {"ko", 18, 1},  {"nl", 19, 1},  {"nb", 20, 1},  {"no", 20, 1},  {"nn", 20, 2},  {"pl", 21, 1},
    {"pt", 22, 1},  {"rm", 23, 1},  {"ro", 24, 1},  {"ru", 25, 1},  {"hr", 26, 1},  {"sr", 26, 3},
    {"bs", 26, 5},  {"sk", 27, 1},  {"sq", 28, 1},  {"sv", 29, 1},  {"th", 30, 1},  {"tr", 31, 1},
    {"ur", 32, 1},  {"id", 33, 1},  {"in", 33, 1},  {"uk", 34, 1},  {"be", 35, 1},  {"sl", 36, 1},
    {"et", 37, 1},  {"lv", 38, 1},  {"lt", 39, 1},  {"tg", 40, 1},  {"fa", 41, 1},  {"vi", 42, 1},
    {"hy", 43, 1},  {"az", 44, 1},  {"eu", 45, 1},  {"mk", 47, 1},  {"af", 54, 1},  {"ka", 55, 1},
    {"fo", 56, 1},  {"hi", 57, 1},  {"mt", 58, 1},  {"ga", 60, 2},  {"ms", 62, 1},  {"kk", 63, 1},
    {"ky", 64, 1},  {"sw", 65, 1},  {"tk", 66, 1},  {"uz", 67, 1},  {"tt", 68, 1},  {"bn", 69, 1},
    {"pa", 70, 1},  {"gu", 71, 1},  {"or", 72, 1},  {"ta", 73, 1},  {"te", 74, 1},  {"kn", 75, 1},
    {"ml", 76, 1},  {"as", 77, 1},  {"mr", 78, 1},  {"sa", 79, 1},  {"mn", 80, 1},  {"cy", 82, 1},
    {"km", 83, 1},  {"lo", 84, 1},  {"gl", 86, 1},  {"kok", 87, 1}, {"syr", 90, 1}, {"si", 91, 1},
    {"dv", 101, 1},
};

// Sub-languages by territory, for the languages spoken in several.
struct Territory {
  const char* language;
  const char* territory;
  int32_t sub;
};

const Territory kTerritories[] = {
    {"ar", "SA", 1},  {"ar", "IQ", 2},  {"ar", "EG", 3},  {"ar", "LY", 4},  {"ar", "DZ", 5},
    {"ar", "MA", 6},  {"ar", "TN", 7},  {"ar", "OM", 8},  {"ar", "YE", 9},  {"ar", "SY", 10},
    {"ar", "JO", 11}, {"ar", "LB", 12}, {"ar", "KW", 13}, {"ar", "AE", 14}, {"ar", "BH", 15},
    {"ar", "QA", 16}, {"zh", "TW", 1},  {"zh", "CN", 2},  {"zh", "HK", 3},  {"zh", "SG", 4},
    {"zh", "MO", 5},  {"de", "DE", 1},  {"de", "CH", 2},  {"de", "AT", 3},  {"de", "LU", 4},
    {"de", "LI", 5},  {"en", "US", 1},  {"en", "GB", 2},  {"en", "AU", 3},  {"en", "CA", 4},
    {"en", "NZ", 5},  {"en", "IE", 6},  {"en", "ZA", 7},  {"en", "JM", 8},  {"en", "BZ", 10},
    {"en", "TT", 11}, {"en", "ZW", 12}, {"en", "PH", 13}, {"en", "IN", 16}, {"en", "MY", 17},
    {"en", "SG", 18}, {"es", "MX", 2},  {"es", "ES", 3},  {"es", "GT", 4},  {"es", "CR", 5},
    {"es", "PA", 6},  {"es", "DO", 7},  {"es", "VE", 8},  {"es", "CO", 9},  {"es", "PE", 10},
    {"es", "AR", 11}, {"es", "EC", 12}, {"es", "CL", 13}, {"es", "UY", 14}, {"es", "PY", 15},
    {"es", "BO", 16}, {"es", "SV", 17}, {"es", "HN", 18}, {"es", "NI", 19}, {"es", "PR", 20},
    {"es", "US", 21}, {"fr", "FR", 1},  {"fr", "BE", 2},  {"fr", "CA", 3},  {"fr", "CH", 4},
    {"fr", "LU", 5},  {"fr", "MC", 6},  {"it", "IT", 1},  {"it", "CH", 2},  {"nl", "NL", 1},
    {"nl", "BE", 2},  {"pt", "BR", 1},  {"pt", "PT", 2},  {"sv", "SE", 1},  {"sv", "FI", 2},
    {"ur", "PK", 1},  {"ur", "IN", 2},  {"ms", "MY", 1},  {"ms", "BN", 2},  {"hr", "HR", 1},
    {"hr", "BA", 4},  {"bs", "BA", 5},  {"lt", "LT", 1},  {"ko", "KR", 1},
};

}  // namespace

int32_t LanguageIdForLocale(const std::string& locale) {
  // language[_TERRITORY][.codeset][@modifier]. The C locale (and no locale
  // at all) names no language, so it has no id and answers the default code.
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return 0;
  size_t end = locale.find_first_of("_.@");
  std::string language = locale.substr(0, end);
  for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string territory;
  if (end != std::string::npos && locale[end] == '_') {
    size_t stop = locale.find_first_of(".@", end + 1);
    territory = locale.substr(end + 1, stop == std::string::npos ? std::string::npos : stop - end - 1);
    for (char& c : territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  size_t at = locale.find('@');
  std::string modifier = at == std::string::npos ? std::string() : locale.substr(at + 1);

  const Primary* primary = nullptr;
  for (const Primary& p : kPrimaries)
    if (language == p.language) primary = &p;
  if (!primary) return 0;
  int32_t sub = primary->defaultSub;
  for (const Territory& t : kTerritories)
    if (language == t.language && territory == t.territory) sub = t.sub;
  // Serbian, Uzbek and Azeri come in two scripts; the modifier picks one.
  if (language == "sr") sub = modifier == "latin" ? 2 : 3;
  if ((language == "uz" || language == "az") && modifier == "cyrillic") sub = 2;
  return (sub << 10) | primary->primary;
}

std::string ProcessLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return std::string();
}

std::string LanguageCode(int32_t languageId) {
  std::string code = "us";
  for (const CodeIds& entry : kCodes)
    for (int32_t id : entry.ids)
      if (id != 0 && id == languageId) code = entry.code;
  for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (code == "eng" || code == "english-uk") code = "uk";
  if (code.size() > 2) code.resize(2);
  // Each rule sees the result of the one before.
  const char* const kRenames[][2] = {{"c", "us"},  {"el", "gr"}, {"du", "nl"}, {"am", "us"},
                                     {"en", "us"}, {"ja", "jp"}, {"po", "pl"}};
  for (const auto& rename : kRenames)
    if (code == rename[0]) code = rename[1];
  return code.size() == 2 ? code : "us";
}

}  // namespace orv
