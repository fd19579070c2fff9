// The file-system wrappers: level-by-level folder creation, the write test and the one-line
// wrappers' results, including paths too long for the 1024-byte work buffers.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "gtest/gtest.h"
#include "platform/files.h"
#include "tests/support/temp_world.h"

namespace {

bool IsDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(FsCreatePath, CreatesEveryLevel) {
  TempWorld world;
  const std::string cases[] = {"a/b/c", "trail/x/", "double//y", "exists"};
  MakeDirs(world.Path("exists"));
  for (const auto& rel : cases) {
    SCOPED_TRACE(rel);
    EXPECT_EQ(1, fsCreatePath(world.Path(rel).c_str()));
    EXPECT_TRUE(IsDir(world.Path(rel)));
  }
  EXPECT_EQ(1, fsCreatePath(""));
}

// A private folder is this user's alone afterwards: levels made now are 0700 whatever the
// mask, an open one of this user's is closed; a link or another user's folder is refused and
// left as it was.
TEST(FsMakePrivateFolder, LeavesOnlyAFolderOfThisUsersAlone) {
  TempWorld world;
  MakeDirs(world.Path("real"));
  struct Case {
    const char* what;
    std::string path;
    int result;
    mode_t mode;  // afterwards, of the path itself (not followed)
  } cases[] = {
      {"made now", world.Path("new/deeper"), 1, 0700},
      {"open to all", world.Path("open"), 1, 01700},
      {"link to a folder", world.Path("link"), 0, 0777},
      {"a file of its name", world.Path("plain"), 0, 0644},
      {"another user's (as root)", world.Path("theirs"), geteuid() == 0 ? 0 : 1,
       geteuid() == 0 ? 0755u : 0700u},
  };
  MakeDirs(world.Path("open"));
  ASSERT_EQ(chmod(world.Path("open").c_str(), 01777), 0);
  ASSERT_EQ(symlink(world.Path("real").c_str(), world.Path("link").c_str()), 0);
  WriteFile(world.Path("plain"), "", 0644);
  MakeDirs(world.Path("theirs"));
  ASSERT_EQ(chmod(world.Path("theirs").c_str(), 0755), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(world.Path("theirs").c_str(), 65534, 65534), 0);
  }
  mode_t old = umask(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.result, fsMakePrivateFolder(c.path.c_str()));
    struct stat st;
    ASSERT_EQ(lstat(c.path.c_str(), &st), 0);
    EXPECT_EQ(c.mode, st.st_mode & 07777);
  }
  umask(old);
  struct stat st;
  ASSERT_EQ(stat(world.Path("new").c_str(), &st), 0);
  EXPECT_EQ(0700u, st.st_mode & 07777);
}

TEST(FsCreatePath, RelativePathIsBelowWorkingDirectory) {
  TempWorld world;
  char before[PATH_MAX];
  ASSERT_NE(nullptr, getcwd(before, sizeof before));
  ASSERT_EQ(0, chdir(world.Root().c_str()));
  int result = fsCreatePath("rel/deeper");
  ASSERT_EQ(0, chdir(before));
  EXPECT_EQ(1, result);
  EXPECT_TRUE(IsDir(world.Path("rel/deeper")));
}

TEST(FsCreatePath, StopsAtPlainFile) {
  TempWorld world;
  WriteFile(world.Path("file"), "x");
  EXPECT_EQ(0, fsCreatePath(world.Path("file/below/deeper").c_str()));
  EXPECT_EQ(0, fsCreatePath(world.Path("file").c_str()));
  EXPECT_EQ("x", ReadFile(world.Path("file")));
  EXPECT_EQ(0, fsIsDirectoryWriteable(world.Path("file/below").c_str()));
}

TEST(FsCreatePath, OverlongPathIsRefusedBeforeCreatingAnything) {
  TempWorld world;
  std::string fits = PathOfLength(world.Path("fit"), 1023);
  EXPECT_EQ(1, fsCreatePath(fits.c_str()));
  EXPECT_TRUE(IsDir(fits));
  std::string tooLong = PathOfLength(world.Path("long"), 1024);
  EXPECT_EQ(0, fsCreatePath(tooLong.c_str()));
  EXPECT_FALSE(FileExists(world.Path("long")));
}

TEST(FsIsDirectoryWriteable, LeavesNoTestFile) {
  TempWorld world;
  std::string folder = world.Path("data/Quillfen/Big Game");
  EXPECT_EQ(1, fsIsDirectoryWriteable(folder.c_str()));
  EXPECT_TRUE(IsDir(folder));
  EXPECT_FALSE(FileExists(folder + "/__QFN_WRITE_TEST__.txt"));
  // An existing test file is removed like a new one.
  WriteFile(folder + "/__QFN_WRITE_TEST__.txt", "old");
  EXPECT_EQ(1, fsIsDirectoryWriteable(folder.c_str()));
  EXPECT_FALSE(FileExists(folder + "/__QFN_WRITE_TEST__.txt"));
}

// A link or FIFO in the test file's place is neither followed nor waited on: not writeable.
TEST(FsIsDirectoryWriteable, TestFileMustBeARegularFile) {
  TempWorld world;
  std::string test = world.Path("__QFN_WRITE_TEST__.txt");
  WriteFile(world.Path("target"), "precious");
  for (bool fifo : {false, true}) {
    ASSERT_EQ(
        0, fifo ? mkfifo(test.c_str(), 0666) : symlink(world.Path("target").c_str(), test.c_str()));
    EXPECT_EQ(0, fsIsDirectoryWriteable(world.Root().c_str())) << fifo;
    EXPECT_EQ("precious", ReadFile(world.Path("target")));
    ASSERT_EQ(0, unlink(test.c_str()));
  }
}

TEST(FsIsDirectoryWriteable, TestFilePathMustFit) {
  TempWorld world;
  // The folder, '/' and the 22-character file name must fit 1023 characters.
  const size_t name = std::string("/__QFN_WRITE_TEST__.txt").size();
  std::string fits = PathOfLength(world.Path("fit"), 1023 - name);
  EXPECT_EQ(1, fsIsDirectoryWriteable(fits.c_str()));
  std::string tooLong = PathOfLength(world.Path("long"), 1024 - name);
  EXPECT_EQ(0, fsIsDirectoryWriteable(tooLong.c_str()));
  EXPECT_FALSE(FileExists(world.Path("long")));
}

TEST(FsWrappers, Results) {
  TempWorld world;
  MakeDirs(world.Path("full/inner"));
  MakeDirs(world.Path("empty"));
  WriteFile(world.Path("file"), "x");
  struct Case {
    const char* what;
    int (*op)(const char*);
    std::string path;
    int expected;
  };
  const Case cases[] = {
      {"create new", fsCreateDirectory, world.Path("new"), 1},
      {"create existing folder", fsCreateDirectory, world.Path("empty"), 1},
      {"create where a file is", fsCreateDirectory, world.Path("file"), 0},
      {"create below missing", fsCreateDirectory, world.Path("missing/x"), 0},
      {"remove non-empty folder", fsRemoveDirectory, world.Path("full"), 0},
      {"remove empty folder", fsRemoveDirectory, world.Path("empty"), 1},
      {"remove folder that is a file", fsRemoveDirectory, world.Path("file"), 0},
      {"remove missing file", fsRemoveFile, world.Path("missing"), 0},
      {"remove file", fsRemoveFile, world.Path("file"), 1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, c.op(c.path.c_str())) << c.what;
  EXPECT_TRUE(IsDir(world.Path("new")));
  EXPECT_TRUE(IsDir(world.Path("full/inner")));
  EXPECT_FALSE(FileExists(world.Path("empty")));
  EXPECT_FALSE(FileExists(world.Path("file")));
}

TEST(FsWrappers, WorkingDirectory) {
  TempWorld world;
  char before[PATH_MAX];
  ASSERT_EQ(1, fsGetCurrentDir(before, sizeof before));
  EXPECT_EQ(-1, fsSetCurrentDir(world.Path("missing").c_str()));
  ASSERT_EQ(0, fsSetCurrentDir(world.Root().c_str()));
  char now[PATH_MAX];
  EXPECT_EQ(1, fsGetCurrentDir(now, sizeof now));
  EXPECT_EQ(world.Root(), now);
  char tiny[4];
  EXPECT_EQ(0, fsGetCurrentDir(tiny, sizeof tiny));
  EXPECT_EQ(0, fsGetCurrentDir(now, 0));
  ASSERT_EQ(0, fsSetCurrentDir(before));
}

}  // namespace
