// The print-queue check: files held by another process block scanning,
// leftovers do not, and nothing is ever changed.
#include "testsupport.h"

#include <cstring>

#include "printqueue.h"
#include "profile.h"
#include "state.h"
#include "system.h"

namespace {

// A file held open without sharing, as the spooler holds a job's files.
class HeldFile {
public:
    explicit HeldFile(const std::string& path)
    {
        handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written;
        WriteFile(handle_, "job", 3, &written, nullptr);
    }
    ~HeldFile() { Release(); }
    void Release()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class PrintQueueTest : public SourceTest {
protected:
    std::string spool;
    std::string temp;
    void SetUp() override
    {
        SourceTest::SetUp();
        std::strcpy(scannerAbility.interfaceName, "None");
        CreateDirectoryA(WindowsPath("\\system32\\spool").c_str(), nullptr);
        CreateDirectoryA(WindowsPath("\\system32\\spool\\printers").c_str(), nullptr);
        CreateDirectoryA(WindowsPath("\\spool").c_str(), nullptr);
        CreateDirectoryA(WindowsPath("\\spool\\printers").c_str(), nullptr);
        spool = "\\system32\\spool\\printers\\";
        char buffer[MAX_PATH];
        GetEnvironmentVariableA("TEMP", buffer, MAX_PATH);
        temp = buffer;
    }
    void TearDown() override
    {
        platformIdOverride = 0;
        for (const char* name : {"00001.SPL", "00001.SHD", "00002.SPL"}) {
            DeleteFileA(WindowsPath(spool + name).c_str());
            DeleteFileA(WindowsPath(std::string("\\spool\\printers\\") + name).c_str());
        }
        DeleteFileA((temp + "\\print.JNL").c_str());
        SourceTest::TearDown();
    }
};

} // namespace

TEST_F(PrintQueueTest, HeldSpoolFileBlocksLeftoversDoNot)
{
    EXPECT_TRUE(PrintQueueIdle()) << "empty spool folder";
    const std::string leftover = WindowsPath(spool + "00002.SPL");
    HeldFile(leftover.c_str()).Release();
    EXPECT_TRUE(PrintQueueIdle()) << "a file no one holds";
    {
        HeldFile job(WindowsPath(spool + "00001.SPL"));
        ASSERT_TRUE(job.Held());
        EXPECT_FALSE(PrintQueueIdle());
    }
    EXPECT_TRUE(PrintQueueIdle());
    EXPECT_TRUE(FileExists(leftover)) << "the check never removes a spool file";
    EXPECT_TRUE(FileExists(WindowsPath(spool + "00001.SPL")));
}

TEST_F(PrintQueueTest, ShadowFileAloneBlocks)
{
    HeldFile shadow(WindowsPath(spool + "00001.SHD"));
    ASSERT_TRUE(shadow.Held());
    EXPECT_FALSE(PrintQueueIdle());
}

TEST_F(PrintQueueTest, JournalInTempBlocks)
{
    HeldFile journal(temp + "\\print.JNL");
    ASSERT_TRUE(journal.Held());
    EXPECT_FALSE(PrintQueueIdle());
}

TEST_F(PrintQueueTest, ScsiAndIf01ScannersNeverLook)
{
    HeldFile job(WindowsPath(spool + "00001.SPL"));
    for (const char* name : {"SCSI", "SCSI-2", "IF01"}) {
        std::strcpy(scannerAbility.interfaceName, name);
        EXPECT_TRUE(PrintQueueIdle()) << name;
    }
    for (const char* name : {"None", "USB", "SCS", "IF0"}) {
        std::strcpy(scannerAbility.interfaceName, name);
        EXPECT_FALSE(PrintQueueIdle()) << name;
    }
}

TEST_F(PrintQueueTest, OtherPlatformsLookBelowTheWindowsDirectory)
{
    HeldFile nt(WindowsPath(spool + "00001.SPL"));
    platformIdOverride = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_TRUE(PrintQueueIdle()) << "the NT folder is not looked at";
    HeldFile old(WindowsPath("\\spool\\printers\\00001.SPL"));
    EXPECT_FALSE(PrintQueueIdle());
}

TEST_F(PrintQueueTest, PrintJobsMessage)
{
    ShowPrintJobsMessage();
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("There are print jobs in processing, please wait till all print jobs done.", boxes.Last().text);
    EXPECT_EQ("Message", boxes.Last().caption);
    EXPECT_EQ(nullptr, boxes.Last().owner);
    EXPECT_EQ(UINT(MB_SYSTEMMODAL | MB_ICONEXCLAMATION), boxes.Last().flags);

    files.Write("\\7d32.ini", "[LANGUAGE]\r\nLANGUAGE=Deutsch\r\n[Deutsch]\r\nIDS_PRINTWORKING=Bitte warten.\r\n");
    boxes.answer = IDCANCEL;
    EXPECT_EQ(IDCANCEL, ShowPrintJobsMessage());
    EXPECT_EQ("Bitte warten.", boxes.Last().text);
}
