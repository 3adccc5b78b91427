// The settings file: values read back, damaged files, hand-written files kept byte for byte, links,
// the lock, a write failing part way and two programs writing at once.
#include "tests/harness/files.h"
#include "tests/ini_edits.h"
#include "tests/support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>

namespace {

using test::DialogTest;
using test::Ip;
using test::kProfileEdits;
using test::ProfileEditRow;
using test::ReadBytes;
using test::WriteBytes;

class ProfileStore : public DialogTest {};

TEST_F(ProfileStore, ValuesReadBackUnchangedAndOtherKeysStay)
{
  {
    QFile f(QString::fromStdString(ProfilePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Other]\nKeep=yes\n\n[ClientParams]\nLastType=1\n");
  }
  CWinApp& app = test::App();
  for (int v : {0, 1, -1, 65535, INT32_MIN, INT32_MAX, static_cast<int>(Ip(239, 1, 2, 3))}) {
    ASSERT_TRUE(app.WriteProfileInt("ClientParams", "LastdwIPADDRESS", v));
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastdwIPADDRESS", 7)), v);
  }
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 7)), 1);
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "Missing", 7)), 7);
  QFile f(QString::fromStdString(ProfilePath()));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("Keep=yes"));
}

TEST_F(ProfileStore, DamagedFilesGiveSaneValues)
{
  struct Case {
    const char* content;
    int expected;
  };
  const Case cases[] = {
      {"[ClientParams]\nLastDestPort=abc\n", 0},
      {"[ClientParams]\nLastDestPort= 12abc\n", 12},
      {"[ClientParams]\nLastDestPort=1,2\n", 1},
      {"[ClientParams]\nLastDestPort=99999999999\n", INT32_MAX},
      {"[ClientParams]\nLastDestPort=\n", 0},
      {"\x01\x02garbage[[[\n=\n", 0},
      {"[ClientParams\nLastDestPort=5\n", 5},
      {"[ClientParams]\nLastDestPort=\"12\"\n", 12},
      {"[clientparams]\r\n  lastdestport = -7 \r\n", -7},
  };
  for (const Case& c : cases) {
    QFile f(QString::fromStdString(ProfilePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.content);
    f.close();
    EXPECT_EQ(static_cast<int>(test::App().GetProfileInt("ClientParams", "LastDestPort", 0)), c.expected) << c.content;
  }
}

void WriteTheFourKeys(CWinApp& app)
{
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastDestPort", 7001));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastLocalPort", 7002));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 1));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastdwIPADDRESS", static_cast<int>(Ip(127, 0, 0, 5))));
}

TEST_F(ProfileStore, WritingChangesOnlyTheKeysLines)
{
  CWinApp& app = test::App();
  for (const ProfileEditRow& row : kProfileEdits) {
    SCOPED_TRACE(row.name);
    QFile::remove(QString::fromStdString(ProfilePath()));
    if (row.before != "-")
      WriteBytes(ProfilePath(), row.before);
    WriteTheFourKeys(app);
    EXPECT_EQ(ReadBytes(ProfilePath()), row.after);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastDestPort", 0)), 7001);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 0)), 1);
    EXPECT_EQ(app.GetProfileInt("ClientParams", "LastdwIPADDRESS", 0), Ip(127, 0, 0, 5));
  }
  // Writing what is already there leaves the file alone.
  const std::string before = ReadBytes(ProfilePath());
  WriteTheFourKeys(app);
  EXPECT_EQ(ReadBytes(ProfilePath()), before);
}

TEST_F(ProfileStore, ALinkedFileIsWrittenWhereTheLinkPoints)
{
  const QString target = m_dir.filePath(QStringLiteral("real.ini"));
  WriteBytes(target.toStdString(), "; mine\n");
  ASSERT_TRUE(QFile::link(target, QString::fromStdString(ProfilePath())));
  ASSERT_TRUE(test::App().WriteProfileInt("ClientParams", "LastType", 2));
  EXPECT_TRUE(QFileInfo(QString::fromStdString(ProfilePath())).isSymLink());
  EXPECT_EQ(ReadBytes(target.toStdString()), "; mine\n[ClientParams]\nLastType=2\n");
}

// The lock never holds the dialog: one held by another program is waited for a short while and
// then the write fails; lock files left behind by anyone, or a folder in their place, never block.
TEST_F(ProfileStore, LocksAreWaitedForBrieflyAndNeverStale)
{
  CWinApp& app = test::App();
  const std::string lockPath = ProfilePath() + ".lock";
  WriteBytes(ProfilePath(), "[ClientParams]\nLastType=0\n");

  WriteBytes(lockPath, "4194304\nlanspry\nanother-host\n");  // an old lock file of another host
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 1));

  const int held = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_FALSE(app.WriteProfileInt("ClientParams", "LastType", 2));
  ::close(held);
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=1\n");
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 2));

  ASSERT_TRUE(QFile::remove(QString::fromStdString(lockPath)));
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(lockPath)));
  EXPECT_FALSE(app.WriteProfileInt("ClientParams", "LastType", 3));
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=2\n");
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 0)), 2);
}

// A write that fails part way (the disk full, a size limit) leaves the old file whole and no
// half-written file beside it.
TEST_F(ProfileStore, AFailedWriteLeavesTheOldFileWhole)
{
  const std::string before = "[ClientParams]\nLastType=0\n; " + std::string(200, 'x') + "\n";
  WriteBytes(ProfilePath(), before);
  const pid_t pid = fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    _exit(test::App().WriteProfileInt("ClientParams", "LastType", 1) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write should have failed";
  EXPECT_EQ(ReadBytes(ProfilePath()), before);
  const QStringList left = QDir(m_dir.path()).entryList(QDir::Files);
  EXPECT_EQ(left, QStringList({QStringLiteral("lanspry.ini"), QStringLiteral("lanspry.ini.lock")}));
}

TEST_F(ProfileStore, TwoProgramsWritingAtOnceLoseNothing)
{
  CWinApp& app = test::App();
  app.WriteProfileInt("Other", "Keep", 1);
  constexpr int kWrites = 60;
  std::vector<pid_t> children;
  for (const char* prefix : {"A", "B"}) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kWrites; ++i)
        app.WriteProfileInt("ClientParams", (std::string(prefix) + std::to_string(i)).c_str(), i);
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(
          static_cast<int>(app.GetProfileInt("ClientParams", (std::string(prefix) + std::to_string(i)).c_str(), -1)), i)
          << prefix << i;
  }
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("Other", "Keep", 0)), 1);
}

// Several writes in a batch wait for a held lock once, then give up together; with the lock free
// they hold it from the first write to the last, so no other program comes between them.
TEST_F(ProfileStore, ABatchWaitsOnceAndLandsWhole)
{
  CWinApp& app = test::App();
  WriteBytes(ProfilePath(), "[ClientParams]\nLastType=0\n");
  const std::string lockPath = ProfilePath() + ".lock";
  const int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  {
    const CProfileBatch batch;
    for (const char* key : {"LastDestPort", "LastLocalPort", "LastType", "LastdwIPADDRESS"})
      EXPECT_FALSE(app.WriteProfileInt("ClientParams", key, 9)) << key;
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(waited, std::chrono::milliseconds(900));  // one wait of 300 ms, not four
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=0\n");
  ::close(held);

  {
    const CProfileBatch batch;
    EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastDestPort", 7001));
    const int other = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "the batch holds the lock between its writes";
    ::close(other);
    EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 1));
  }
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=1\nLastDestPort=7001\n");
  const int after = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  EXPECT_EQ(::flock(after, LOCK_EX | LOCK_NB), 0) << "the lock goes with the batch";
  ::close(after);
}

}  // namespace
