// The install-log reader on in-memory logs: record kinds, key case, field limits, the lines
// that are skipped whole, and that no record borrows a field of the one before it; and that
// what the kit's install step writes reads back as written.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "launcher/install_log.h"
#include "launcher/install_log_keys.h"
#include "tests/support/temp_world.h"

namespace {

struct Expected {
  InstallRecordKind kind;
  std::string key, folder, value;
};

std::vector<Expected> ReadAll(const std::string& text) {
  std::vector<Expected> records;
  std::string copy = text;
  FILE* file = fmemopen(copy.empty() ? nullptr : &copy[0], copy.size(), "r");
  if (copy.empty()) file = fopen("/dev/null", "r");
  if (file == nullptr) return records;
  InstallRecord record;
  // More calls than the text has bytes would mean the reader stopped advancing.
  for (size_t calls = 0; calls <= text.size() + 1; ++calls) {
    InstallRecordKind kind = ReadInstallRecord(file, &record);
    if (kind == kInstallEnd) break;
    records.push_back({kind, record.key, record.folder, record.value});
  }
  fclose(file);
  return records;
}

std::string Kind(InstallRecordKind kind) {
  if (const InstallKey* key = InstallKeyOf(kind)) return key->name;
  return kind == kInstallOther ? "Other" : kind == kInstallSkipped ? "Skipped" : "End";
}

std::string Describe(const std::vector<Expected>& records) {
  std::string text;
  for (const Expected& r : records)
    text += Kind(r.kind) + "[" + r.key + "|" + r.folder + "|" + r.value + "] ";
  return text;
}

const Expected kSkip = {kInstallSkipped, "", "", ""};

TEST(InstallLogReader, RecordsAndLimits) {
  const std::string key32(32, 'k');
  const std::string v512 = "/" + std::string(511, 'v');
  const std::string v513 = v512 + "w";
  const std::string folder255 = "/" + std::string(254, 'd');
  const std::string pattern255(255, 'p');  // joined: 255 + 1 + 255 = 511
  struct Case {
    const char* name;
    std::string text;
    std::vector<Expected> records;
  };
  const Case cases[] = {
      {"empty log", "", {}},
      {"white space only", " \n\t\n\r\n", {}},
      {"all keys",
       "File:/a/b\nFolder:/a\nPattern:/a:*.sav\nSelf:\nOther:whatever\nPoll:http://p/q\n"
       "Prefix:/p/\nGame:/p/g\n",
       {{kInstallFile, "File", "", "/a/b"},
        {kInstallFolder, "Folder", "", "/a"},
        {kInstallPattern, "Pattern", "/a", "*.sav"},
        {kInstallSelf, "Self", "", ""},
        {kInstallOther, "Other", "", "whatever"},
        {kInstallPoll, "Poll", "", "http://p/q"},
        {kInstallPrefix, "Prefix", "", "/p/"},
        {kInstallGame, "Game", "", "/p/g"}}},
      {"keys in any case",
       "FILE:x\nfolder:y\npAtTeRn:d:p\nSELF:ignored\n",
       {{kInstallFile, "FILE", "", "x"},
        {kInstallFolder, "folder", "", "y"},
        {kInstallPattern, "pAtTeRn", "d", "p"},
        {kInstallSelf, "SELF", "", "ignored"}}},
      {"Self first",
       "Self:\nFile:a\n",
       {{kInstallSelf, "Self", "", ""}, {kInstallFile, "File", "", "a"}}},
      {"blank lines and indentation",
       "\n\n   File:a\n\t\t\n  Folder:b\n",
       {{kInstallFile, "File", "", "a"}, {kInstallFolder, "Folder", "", "b"}}},
      {"value keeps ':' and inner and final spaces",
       "File:/x/a:b c \nPattern:/d:a:b\n",
       {{kInstallFile, "File", "", "/x/a:b c "}, {kInstallPattern, "Pattern", "/d", "a:b"}}},
      {"CRLF line ends",
       "File:a\r\nFolder:b\r\n",
       {{kInstallFile, "File", "", "a"}, {kInstallFolder, "Folder", "", "b"}}},
      {"key of 32", key32 + ":v\n", {{kInstallOther, key32, "", "v"}}},
      {"key of 33", key32 + "k:v\nFile:a\n", {kSkip, {kInstallFile, "File", "", "a"}}},
      {"value of 512", "File:" + v512 + "\n", {{kInstallFile, "File", "", v512}}},
      {"value of 513", "File:" + v513 + "\nFile:a\n", {kSkip, {kInstallFile, "File", "", "a"}}},
      {"joined pattern of 511",
       "Pattern:" + folder255 + ":" + pattern255 + "\n",
       {{kInstallPattern, "Pattern", folder255, pattern255}}},
      {"joined pattern of 512", "Pattern:" + folder255 + "x:" + pattern255 + "\n", {kSkip}},
      {"pattern folder of 513", "Pattern:" + v513 + ":p\n", {kSkip}},
      {"empty key", ":/a/b\nFile:c\n", {kSkip, {kInstallFile, "File", "", "c"}}},
      {"empty values",
       "File:\nFolder:\nPattern:/d:\nPattern::*.sav\nPattern:/d\n",
       {kSkip, kSkip, kSkip, kSkip, kSkip}},
      {"missing ':'", "File /a/b\nFolder:x\n", {kSkip, {kInstallFolder, "Folder", "", "x"}}},
      {"no final line end",
       "File:a\nFile:/home/user/important",
       {{kInstallFile, "File", "", "a"}, {kInstallFile, "File", "", "/home/user/important"}}},
      {"overlong last line without a line end",
       "File:a\nFile:/" + std::string(2000, 'x'),
       {{kInstallFile, "File", "", "a"}, kSkip}},
      {"NUL inside a line",
       std::string("File:/a\0/b\nFile:c\n", sizeof "File:/a\0/b\nFile:c\n" - 1),
       {kSkip, {kInstallFile, "File", "", "c"}}},
      {"overlong line of another key",
       "Note:" + std::string(5000, 'n') + "\nSelf:\n",
       {kSkip, {kInstallSelf, "Self", "", ""}}},
  };
  for (const Case& c : cases) {
    std::vector<Expected> got = ReadAll(c.text);
    EXPECT_EQ(Describe(got), Describe(c.records)) << c.name;
  }
}

TEST(InstallLogReader, SkippedLinesClearEveryField) {
  // A reader that kept fields between calls would hand back "/old" for the skipped lines.
  std::string copy = "Pattern:/old:*.x\n:oops\nPattern::y\nPattern:/z\n";
  FILE* file = fmemopen(&copy[0], copy.size(), "r");
  ASSERT_NE(file, nullptr);
  InstallRecord record;
  ASSERT_EQ(ReadInstallRecord(file, &record), kInstallPattern);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(ReadInstallRecord(file, &record), kInstallSkipped);
    EXPECT_STREQ(record.key, "");
    EXPECT_STREQ(record.folder, "");
    EXPECT_STREQ(record.value, "");
  }
  EXPECT_EQ(ReadInstallRecord(file, &record), kInstallEnd);
  EXPECT_EQ(ReadInstallRecord(file, &record), kInstallEnd);
  fclose(file);
}

// Paths with the characters CMake and the reader give a meaning (';' excepted: it separates
// CMake's lists, and the install refuses a prefix that holds it).
TEST(InstallLogReader, ReadsBackWhatTheInstallStepWrites) {
  const std::string poll = "https://q.example/poll.html?game=x&lang=fr";
  const std::vector<std::string> files = {"/p/lib/org.x.G/bin/g", "/p/a b/c:d#e",
                                          "/p/\xc3\xa9t\xc3\xa9/[x]/$y/\"q\"",
                                          "/p/Folder:not-a-record"};
  const std::vector<std::string> folders = {"/p/lib/org.x.G/Resources", "/p/lib/org.x.G"};
  TempWorld world;
  std::string script = "include([==[" QFN_SOURCE_DIR "/cmake/game/install_log_format.cmake]==])\n";
  auto cmakeList = [](const std::vector<std::string>& items) {
    std::string list = "[==[";
    for (size_t i = 0; i < items.size(); ++i) list += (i ? ";" : "") + items[i];
    return list + "]==]";
  };
  script += "quarn_write_install_log([==[" + world.Path("uninstall.log") +
            "]==] /p/ /p/lib/org.x.G [==[" + poll + "]==] " + cmakeList(files) + " " +
            cmakeList(folders) + ")\n";
  WriteFile(world.Path("write.cmake"), script);
  ProcessResult wrote =
      RunProcess({QFN_CMAKE_COMMAND, "-P", world.Path("write.cmake")}, world.ChildOptions());
  ASSERT_EQ(wrote.exitCode, 0) << wrote.err;

  std::vector<Expected> expected = {{kInstallPrefix, "Prefix", "", "/p/"},
                                    {kInstallGame, "Game", "", "/p/lib/org.x.G"},
                                    {kInstallPoll, "Poll", "", poll}};
  for (const std::string& file : files) expected.push_back({kInstallFile, "File", "", file});
  for (const std::string& folder : folders)
    expected.push_back({kInstallFolder, "Folder", "", folder});
  expected.push_back({kInstallSelf, "Self", "", ""});
  EXPECT_EQ(Describe(ReadAll(ReadFile(world.Path("uninstall.log")))), Describe(expected));
}

}  // namespace
