// The platform query, the language codes, the time texts and the
// environment, in this process (and one child with an empty environment).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "orvane/system.h"
#include "support/test_support.h"
#include "system/system_info.h"

namespace {

std::string Info(const char* key) { return PlatformInfo(key).CStr(); }

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
    tzset();
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
    tzset();
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

// 2027-02-01 09:05:07 UTC.
int64_t FixedTime() { return 1801472707; }

TEST(PlatformInfo, KeysAnswerInAnyCaseAndOnlyWhenWhole) {
  EXPECT_EQ(Info(""), "LINUX");
  EXPECT_EQ(Info("device"), "DESKTOP");
  EXPECT_EQ(Info("Device"), "DESKTOP");
  EXPECT_EQ(Info("version"), "000.001");
  EXPECT_EQ(Info("HOSTID"), Info("hostid"));
  EXPECT_FALSE(Info("hostid").empty());
  // The build's date and time: "Mmm dd yyyy-hh:mm:ss".
  const std::string compiled = Info("compiled");
  ASSERT_EQ(compiled.size(), 20u) << compiled;
  EXPECT_EQ(compiled[11], '-');
  EXPECT_EQ(compiled.substr(14, 1) + compiled.substr(17, 1), "::");
  for (const char* key : {"TIMEZONE", "TIMES", "IDS", "VERSION2", "UNKNOWN", " time"})
    EXPECT_EQ(Info(key), "NO_DATA") << key;
  // Without a window there is no GL driver to ask.
  EXPECT_EQ(Info("glext:glBindBufferARB"), "0");
}

TEST(PlatformInfo, TimeFieldsAreTwoDigitsInLocalTimeAndUtc) {
  orv::SetTimeSource(FixedTime);
  {
    ScopedEnv tz("TZ", "UTC");
    EXPECT_EQ(Info("time"), "2027-02-01 09:05:07");
    EXPECT_EQ(Info("UTCTIME"), "2027-02-01 09:05:07");
  }
  {
    // Three hours west of UTC.
    ScopedEnv tz("TZ", "XYZ+3");
    EXPECT_EQ(Info("Time"), "2027-02-01 06:05:07");
    EXPECT_EQ(Info("utctime"), "2027-02-01 09:05:07");
  }
  {
    // Ten hours west: the day and the month before.
    ScopedEnv tz("TZ", "XYZ+10");
    EXPECT_EQ(Info("TIME"), "2027-01-31 23:05:07");
  }
  orv::SetTimeSource(nullptr);
  EXPECT_EQ(Info("TIME").size(), 19u);
}

TEST(PlatformInfo, LocaleFollowsTheLanguageIdTable) {
  // The two ids the code table is known by: 1033 answers "uk", 2057 "us".
  EXPECT_EQ(orv::LanguageCode(1033), "uk");
  EXPECT_EQ(orv::LanguageCode(2057), "us");
  EXPECT_EQ(orv::LanguageCode(1032), "gr");
  EXPECT_EQ(orv::LanguageCode(0), "us");
  EXPECT_EQ(orv::LanguageCode(99999), "us");

  const struct {
    const char* locale;
    int32_t id;
    const char* code;
  } cases[] = {
      {"en_US.UTF-8", 1033, "uk"}, {"en_GB.UTF-8", 2057, "us"}, {"de_DE.UTF-8", 1031, "de"},
      {"de_AT", 3079, "de"},       {"uk_UA.UTF-8", 1058, "uk"}, {"fr_CA.UTF-8", 3084, "fr"},
      {"ja_JP.UTF-8", 1041, "jp"}, {"el_GR.UTF-8", 1032, "gr"}, {"pt_BR.UTF-8", 1046, "pt"},
      {"zh_CN.UTF-8", 2052, "ch"}, {"zh_HK.UTF-8", 3076, "zh"}, {"sr_RS@latin", 2074, "sr"},
      {"sr_RS", 3098, "sr"},       {"es_ES.UTF-8", 3082, "es"}, {"nn_NO.UTF-8", 2068, "no"},
      {"ru", 1049, "ru"},          {"xx_YY.UTF-8", 0, "us"},    {"en_IN", 16393, "us"},
      {"ko_KR.EUC-KR", 1042, "ko"},
      // The C locale names no language: the default code, not American English's.
      {"C", 0, "us"},              {"C.UTF-8", 0, "us"},        {"POSIX", 0, "us"},          {"", 0, "us"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(orv::LanguageIdForLocale(c.locale), c.id) << c.locale;
    EXPECT_EQ(orv::LanguageCode(orv::LanguageIdForLocale(c.locale)), c.code) << c.locale;
  }

  // LC_ALL wins over LC_MESSAGES, which wins over LANG; empty ones do not count.
  ScopedEnv all("LC_ALL", "de_DE.UTF-8"), messages("LC_MESSAGES", "ja_JP.UTF-8"), lang("LANG", "el_GR.UTF-8");
  EXPECT_EQ(Info("locale"), "de");
  {
    ScopedEnv noAll("LC_ALL", "");
    EXPECT_EQ(Info("LOCALE"), "jp");
    ScopedEnv noMessages("LC_MESSAGES", nullptr);
    EXPECT_EQ(Info("LOCALE"), "gr");
    ScopedEnv cLang("LANG", "C");
    EXPECT_EQ(Info("LOCALE"), "us");
    ScopedEnv noLang("LANG", nullptr);
    EXPECT_EQ(Info("LOCALE"), "us");
  }
}

TEST(PlatformInfo, MachineIdFoldsToEightHexDigitsLowByteFirst) {
  // No machine identifier: the fall-back serial 16390125 (0x00FA17ED).
  // 0x00FA17ED ^ 0x5E2B7C41 = 0x5ED16BAC, low byte first.
  EXPECT_EQ(orv::MachineIdAnswer(""), "AC6BD15E");
  // The four words xor to 0x00000001: 0x5E2B7C40.
  EXPECT_EQ(orv::MachineIdAnswer("1234567812345678abcdef00abcdef01"), "407C2B5E");
  const std::string id = Info("id");
  ASSERT_EQ(id.size(), 8u);
  EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
  EXPECT_EQ(Info("ID"), id);
}

TEST(PlatformInfo, FoldersEndAsTheirKeysPromise) {
  const std::string dir = orvtest::PrivateDir();
  ScopedEnv data("XDG_DATA_HOME", (dir + "/data").c_str());
  EXPECT_EQ(Info("appdata"), dir + "/data/Orvane");
  struct stat st;
  EXPECT_EQ(stat((dir + "/data/Orvane").c_str(), &st), 0) << "APPDATA was not created";
  {
    ScopedEnv home("HOME", dir.c_str());
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(Info("APPDATA"), dir + "/.local/share/Orvane");
    ScopedEnv noHome("HOME", nullptr);
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(Info("APPDATA"), "NO_DATA");
  }
  EXPECT_EQ(Info("temp"), dir + "/");
  const std::string docs = Info("DOCUMENTS");
  ASSERT_FALSE(docs.empty());
  EXPECT_EQ(docs[0], '/');
  const std::string battery = Info("battery");
  const int percent = std::atoi(battery.c_str());
  EXPECT_EQ(std::to_string(percent), battery);
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
}

TEST(Environment, GetEnvPutEnvAndTheWholeEnvironment) {
  PutEnv("ORV_SYSTEM_TEST", "a b=c");
  EXPECT_EQ(std::string(GetEnv("ORV_SYSTEM_TEST").CStr()), "a b=c");
  const std::string all = GetEnv("").CStr();
  EXPECT_NE(all.find("ORV_SYSTEM_TEST=a b=c\n"), std::string::npos);
  EXPECT_EQ(all.back(), '\n');
  PutEnv("ORV_SYSTEM_TEST", "");
  EXPECT_EQ(std::getenv("ORV_SYSTEM_TEST"), nullptr);
  EXPECT_EQ(std::string(GetEnv("ORV_SYSTEM_TEST").CStr()), "");
  EXPECT_EQ(std::string(GetEnv("").CStr()).find("ORV_SYSTEM_TEST"), std::string::npos);
  // A name the environment cannot hold changes nothing.
  PutEnv("A=B", "c");
  EXPECT_EQ(std::getenv("A"), nullptr);

  // An empty environment lists as the empty text.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    clearenv();
    RtString whole = GetEnv("");
    _exit(whole.Length() == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
