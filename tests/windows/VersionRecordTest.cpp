#include "WindowsProbe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The program the user gets, built beside the tests' folder.
std::string programPath() {
    return WindowsProbe::testFolder() + "\\..\\KorvantaTaskList.exe";
}

class VersionRecord : public testing::Test {
protected:
    void SetUp() override {
        const std::string path = programPath();
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version record";
        record.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, record.data()));
    }

    std::string text(const std::string& field) {
        void* value = nullptr;
        UINT length = 0;
        const std::string query = "\\StringFileInfo\\040904B0\\" + field;
        if (!VerQueryValueA(record.data(), query.c_str(), &value, &length) || length == 0)
            return "<missing>";
        return std::string(static_cast<const char*>(value)); // ends at its NUL
    }

    std::vector<char> record;
};

} // namespace

TEST_F(VersionRecord, FixedPartIsVersionOneOfAWindowsApplication) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, 4u);   // 32-bit Windows
    EXPECT_EQ(fixed->dwFileType, 1u); // application
}

TEST_F(VersionRecord, IsInUsEnglishAndUnicode) {
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 1033);
    EXPECT_EQ(translation[1], 1200);
}

TEST_F(VersionRecord, HoldsEveryTextField) {
    EXPECT_EQ(text("Comments"), "Korvanta Task List");
    EXPECT_EQ(text("CompanyName"), "Korvanta Corporation");
    EXPECT_EQ(text("FileDescription"), "KorvantaTaskList");
    EXPECT_EQ(text("ProductName"), "Korvanta Task List");
    EXPECT_EQ(text("FileVersion"), "1.00");
    EXPECT_EQ(text("ProductVersion"), "1.00");
    EXPECT_EQ(text("InternalName"), "Korvanta Task List");
    EXPECT_EQ(text("OriginalFilename"), "Korvanta Task List.exe");
}

TEST(ApplicationIcon, GroupOneHoldsImage30001Of32By32In256Colours) {
    const HMODULE program = LoadLibraryExA(
        programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr) << "the program cannot be read: " << programPath();
    const HRSRC group = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
    ASSERT_NE(group, nullptr) << "no icon group 1";
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(program, group)));
    ASSERT_NE(directory, nullptr);
    ASSERT_EQ(SizeofResource(program, group), 6u + 14u); // one image
    const int image = LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR);
    EXPECT_EQ(image, 30001);

    const HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(30001), MAKEINTRESOURCEA(3));
    ASSERT_NE(found, nullptr) << "no icon image 30001";
    const DWORD size = SizeofResource(program, found);
    DWORD declared = 0;
    std::memcpy(&declared, directory + 6 + 8, sizeof declared);
    EXPECT_EQ(size, declared) << "the group gives another size than the image has";

    auto* bits = static_cast<BYTE*>(LockResource(LoadResource(program, found)));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bits, sizeof header);
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64); // colour bits and mask
    EXPECT_EQ(header.biBitCount, 8);

    const HICON icon = CreateIconFromResourceEx(bits, size, TRUE, 0x00030000, 32, 32, 0);
    ASSERT_NE(icon, nullptr) << "the system cannot make an icon of the image";
    DestroyIcon(icon);
    FreeLibrary(program);
}
