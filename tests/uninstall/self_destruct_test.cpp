// Processing of the install log in a temporary working directory: what each record deletes,
// the order of records, the log's own removal, and that nothing outside what a complete
// record names is touched; and the exit poll's address.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "launcher/uninstaller.h"
#include "state/state.h"
#include "tests/support/temp_world.h"

namespace {

namespace fs = std::filesystem;

class SelfDestructTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The working directory is the Resources/ folder of the game the log names.
    root = world.Path("prefix/game/Resources");
    MakeDirs(root);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previous = cwd;
    ASSERT_EQ(chdir(root.c_str()), 0);
    snprintf(g_AppPath, sizeof g_AppPath, "%s", root.c_str());
  }
  void TearDown() override {
    EXPECT_EQ(chdir(previous.c_str()), 0);
    g_AppPath[0] = '\0';
  }

  // Paths ending in '/' are folders; others are files (their folders are made too).
  void Lay(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      if (path.back() == '/') {
        MakeDirs(root + "/" + path);
      } else {
        MakeDirs(fs::path(root + "/" + path).parent_path().string());
        WriteFile(root + "/" + path, "data");
      }
    }
  }
  // Everything under the working directory, relative, folders with a final '/'.
  std::set<std::string> Tree() const {
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      std::string path = fs::relative(entry.path(), root).string();
      tree.insert(entry.is_directory() ? path + "/" : path);
    }
    return tree;
  }
  // "$R" in a log text stands for the working directory's absolute path; the log names its
  // installation first.
  std::string Expand(std::string text) const {
    for (size_t at = text.find("$R"); at != std::string::npos; at = text.find("$R"))
      text.replace(at, 2, root);
    return Named() + text;
  }
  std::string Named() const {
    return "Prefix:" + world.Path("prefix") + "\nGame:" + world.Path("prefix/game") + "\n";
  }

  TempWorld world;
  std::string root;
  std::string previous;
};

TEST_F(SelfDestructTest, DeletesWhatTheRecordsName) {
  const std::vector<std::string> game = {"game/a.dat", "game/b.dat", "game/keep.txt",
                                         "game/1.sav", "game/2.SAV", "game/old.sav/inner.sav",
                                         "data/x",     "empty/"};
  struct Case {
    const char* name;
    std::string log;
    std::set<std::string> gone;
  };
  const Case cases[] = {
      {"keys in any case", "FILE:$R/game/a.dat\nfile:game/b.dat\n", {"game/a.dat", "game/b.dat"}},
      {"pattern leaves folders and other files", "Pattern:$R/game:*.sav\n", {"game/1.sav"}},
      {"pattern key in any case, relative folder",
       "PATTERN:game:*.*\n",
       {"game/a.dat", "game/b.dat", "game/keep.txt", "game/1.sav", "game/2.SAV"}},
      {"folder after its files",
       "File:$R/data/x\nFolder:$R/data\nfolder:empty\n",
       {"data/x", "data/", "empty/"}},
      {"folder before its files", "Folder:$R/data\nFile:$R/data/x\n", {"data/x"}},
      {"folder still holding files", "Folder:$R/game\n", {}},
      {"self first", "Self:\nFile:data/x\n", {"data/x", "uninstall.log"}},
      {"self last in other case", "File:data/x\nSELF:\n", {"data/x", "uninstall.log"}},
      {"other keys ignored", "Remove:data/x\nFiles:data/x\nFile :data/x\n", {}},
      {"lines left open delete nothing",
       "Pattern:$R/game:*.sav\n:data/x\nPattern::*\nPattern:$R/game\nFile:\nFolder:\n"
       "File data/x\nFile:$R/game/a.dat\r\nFile:$R/game/b.dat",
       {"game/1.sav", "game/a.dat", "game/b.dat"}},
      {"self last without a line end", "File:data/x\nSelf:", {"data/x", "uninstall.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root + "/game");
    fs::remove_all(root + "/data");
    fs::remove_all(root + "/empty");
    Lay(game);
    WriteFile(root + "/uninstall.log", Expand(c.log));
    std::set<std::string> expected = Tree();
    for (const std::string& path : c.gone) expected.erase(path);
    EXPECT_EQ(SelfDestruct(), 1);
    EXPECT_EQ(Tree(), expected);
  }
}

TEST_F(SelfDestructTest, NoLogDeletesNothing) {
  Lay({"game/a.dat", "uninstall.txt"});
  std::set<std::string> before = Tree();
  EXPECT_EQ(SelfDestruct(), 0);
  EXPECT_EQ(Tree(), before);
}

TEST_F(SelfDestructTest, NothingOutsideTheNamedPathsIsTouched) {
  // A sibling of the working directory with a name the records only nearly match.
  std::string outside = world.Path("outside");
  MakeDirs(outside + "/game");
  WriteFile(outside + "/game/a.dat", "data");
  WriteFile(outside + "/a.sav", "data");
  Lay({"game/a.dat"});
  WriteFile(root + "/uninstall.log",
            Named() +
                "File:game/a.dat\nPattern:game:../../outside/*.sav\nFile:game/a.dat \n"
                "Pattern:" +
                outside + ":*.dat\nFolder:" + outside + "/game/\n");
  SelfDestruct();
  EXPECT_FALSE(FileExists(root + "/game/a.dat"));
  EXPECT_TRUE(FileExists(outside + "/game/a.dat"));
  // A pattern holding '/' matches nothing: ../../outside/*.sav never leaves game.
  EXPECT_TRUE(FileExists(outside + "/a.sav"));
}

// The install lays symbolic links (a command in <prefix>/games): their File records remove
// the links and never what they point to.
TEST_F(SelfDestructTest, FileRecordRemovesALinkNotItsTarget) {
  Lay({"bin/quarn", "data/"});
  MakeDirs(root + "/games");
  ASSERT_EQ(symlink("../bin/quarn", (root + "/games/quarn-demo").c_str()), 0);
  ASSERT_EQ(symlink("../data", (root + "/games/data").c_str()), 0);
  WriteFile(root + "/uninstall.log",
            Named() + "File:games/quarn-demo\nFile:games/data\nFolder:games\n");
  SelfDestruct();
  EXPECT_EQ(Tree(), (std::set<std::string>{"bin/", "bin/quarn", "data/", "uninstall.log"}));
}

TEST(DelPattern, JoinsFolderAndPatternAndRefusesCutSearches) {
  TempWorld world;
  std::string dir = world.Path("d");
  MakeDirs(dir + "/sub.sav");
  WriteFile(dir + "/a.sav", "x");
  WriteFile(dir + "/b.keep", "x");
  WriteFile(dir + "/sub.sav/c.sav", "x");

  // A search text past 511 characters would, cut, match every file in the folder.
  DelPattern(dir.c_str(), (std::string(600, '*') + ".none").c_str());
  EXPECT_TRUE(FileExists(dir + "/a.sav"));
  EXPECT_TRUE(FileExists(dir + "/b.keep"));

  DelPattern(dir.c_str(), "*.sav");
  EXPECT_FALSE(FileExists(dir + "/a.sav"));
  EXPECT_TRUE(FileExists(dir + "/b.keep"));
  EXPECT_TRUE(FileExists(dir + "/sub.sav/c.sav"));

  // An empty folder is the working directory; a pattern holding '/' matches nothing.
  DelPattern("", (dir + "/*.keep").c_str());
  EXPECT_TRUE(FileExists(dir + "/b.keep"));
  EXPECT_TRUE(FileExists(dir + "/sub.sav/c.sav"));
  // No match at all is harmless.
  DelPattern(dir.c_str(), "*.none");
  EXPECT_TRUE(FileExists(dir + "/sub.sav/c.sav"));
}

// A pattern reaches only the entries directly inside its folder, taken literally.
TEST(DelPattern, StaysInsideTheFolderItNames) {
  struct Case {
    const char* name;
    const char* folder;  // relative to the world
    const char* pattern;
    std::set<std::string> gone;
  };
  const Case cases[] = {
      {"wildcards in the folder are literal", "game[1]", "*", {"game[1]/a.sav"}},
      {"pattern holding '/' escapes nowhere", "game1", "../../outside/sub/*", {}},
      {"pattern holding '/' inside the folder", "game1", "sub/*", {}},
      {"folder that is a link is not entered", "linkdir", "*", {}},
      {"link inside the folder goes as a link", "links", "*", {"links/to_file", "links/to_dir"}},
      {"leading dot only by a leading dot", "game1", "*", {"game1/b.sav"}},
      {"a dot pattern takes hidden files", "game1", ".*", {"game1/.hidden"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempWorld world;
    const std::vector<std::string> files = {"game1/b.sav",   "game1/.hidden",     "game1/sub/c.sav",
                                            "game[1]/a.sav", "outside/sub/d.sav", "target/e.sav"};
    for (const std::string& file : files) {
      MakeDirs(fs::path(world.Path(file)).parent_path().string());
      WriteFile(world.Path(file), "data");
    }
    MakeDirs(world.Path("links"));
    fs::create_directory_symlink(world.Path("target"), world.Path("linkdir"));
    fs::create_symlink(world.Path("target/e.sav"), world.Path("links/to_file"));
    fs::create_directory_symlink(world.Path("target"), world.Path("links/to_dir"));
    DelPattern(world.Path(c.folder).c_str(), c.pattern);
    for (const std::string& file : files)
      EXPECT_EQ(FileExists(world.Path(file)), c.gone.count(file) == 0) << file;
    for (const char* link : {"links/to_file", "links/to_dir"})
      EXPECT_EQ(fs::is_symlink(fs::symlink_status(world.Path(link))), c.gone.count(link) == 0)
          << link;
  }
}

TEST(PollAddress, JoinsTheFieldsToTheAddressQuery) {
  struct Case {
    const char* address;
    const char* joined;
  } cases[] = {
      {"http://q.example/poll.html", "http://q.example/poll.html?From=G-1&Build=7"},
      {"http://q.example/poll.html?game=x", "http://q.example/poll.html?game=x&From=G-1&Build=7"},
      {"https://q.example/?", "https://q.example/?&From=G-1&Build=7"},
  };
  for (const Case& c : cases) {
    char out[128];
    EXPECT_EQ(PollAddress(out, sizeof out, c.address, "G-1", 7), 1);
    EXPECT_STREQ(out, c.joined);
  }
  char small[16];
  EXPECT_EQ(PollAddress(small, sizeof small, "http://q.example/poll.html", "G-1", 7), 0);
}

}  // namespace
