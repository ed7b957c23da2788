// Faults of the virtual scanner reach the user as the model file's texts
// (printed by --dismiss) and twscan fails with the reason.
#include "e2e.h"

namespace {

TEST_F(E2eTest, ScannerThatIsNotWarmShowsTheWarmUpMessage)
{
    SetScannerKey("Faults", "TestScanner", "1");
    SetScannerKey("Faults", "Status", "155");
    const RunResult run = Scan({"--out", scratch.Path("x%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "message: Scanner lamp does not warm up yet.\\n"
                                                "Please wait 30 seconds and try again."))
        << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "cannot be enabled")) << Describe(run);
    EXPECT_EQ(CompanionLog(), (std::vector<std::string>{"twain_false"}));
}

TEST_F(E2eTest, TransferWithoutPaperShowsTheNoPaperMessage)
{
    SetScannerKey("Faults", "Transfer", "701");
    const RunResult run = Scan({"--xfer", "memory", "--out", scratch.Path("x%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "message: \\n\\nThere is no paper in the document feeder.\\n"
                                                "Please load the paper and try again."))
        << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "the source cancelled the transfer")) << Describe(run);
    EXPECT_TRUE(run.out.empty()) << Describe(run);
}

// A full disk is reported for a native transfer; the cancelled transfer
// leaves the source enabled (state 5): the pending transfers end and the
// disable is accepted.
TEST_F(E2eTest, NativeTransferOnAFullDiskShowsTheNoDiskMessage)
{
    SetScannerKey("Faults", "Transfer", "703");
    const std::string log = scratch.Path("triplets.log");
    const RunResult run = Scan({"--xfer", "native", "--out", scratch.Path("x%d.bmp"), "--log", log});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "message: \\n\\nThere is not enough disk space for the image.\\n"
                                                "Please free some disk space and try again."))
        << Describe(run);
    const auto triplets = ReadLines(log);
    EXPECT_TRUE(AnyLineContains(triplets, "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET -> TWRC_CANCEL"));
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_SUCCESS"));
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS"));
    EXPECT_TRUE(AnyLineContains(triplets, "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS"));
}

// The same fault in a file transfer is not reported (the driver's own
// affair), but cancels the transfer all the same.
TEST_F(E2eTest, FileTransferOnAFullDiskCancelsSilently)
{
    SetScannerKey("Faults", "Transfer", "703");
    const RunResult run = Scan({"--xfer", "file", "--out", scratch.Path("x%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_FALSE(AnyLineContains(run.ErrLines(), "message:")) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "the source cancelled the transfer")) << Describe(run);
}

TEST_F(E2eTest, AreaTooSmallShowsTheBadSizeMessage)
{
    const RunResult run = Scan({"--xfer", "native", "--dpi", "300", "--frame", "0,0,0.1,0.1", "--out",
                                scratch.Path("x%d.bmp")});
    EXPECT_EQ(run.exitCode, 1u) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "message: \\n\\nThe scan area is too small.")) << Describe(run);
    EXPECT_TRUE(AnyLineContains(run.ErrLines(), "DAT_IMAGEINFO MSG_GET failed")) << Describe(run);
}

} // namespace
