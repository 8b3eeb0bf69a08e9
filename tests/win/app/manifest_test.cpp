// The manifest built into yanqing.exe, read back through the resource calls
// Windows itself uses: the program starts without a UAC prompt (asInvoker)
// and asks for the version 6 common controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string program_manifest() {
    HMODULE exe = LoadLibraryExA(YQ_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return {};
    std::string text;
    if (HRSRC res = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        HGLOBAL data = LoadResource(exe, res);
        const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
        if (bytes) text.assign(bytes, SizeofResource(exe, res));
    }
    FreeLibrary(exe);
    return text;
}

TEST(ProgramManifest, RunsAsInvokerWithTheVersion6CommonControls) {
    const std::string manifest = program_manifest();
    ASSERT_FALSE(manifest.empty()) << "no manifest resource in " << YQ_PROGRAM;
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos)
        << manifest;
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

}  // namespace
