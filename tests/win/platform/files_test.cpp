// Folder listings and the check every deletion makes, under Wine: names code
// page 936 cannot hold are left out, never turned into another file's name,
// and a path is "directly in a folder" only when it resolves to itself there.
#include "platform/win/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace yq {
namespace {

std::wstring wide(const std::string& gbk) {
    std::wstring w(gbk.size() + 1, L'\0');
    w.resize(MultiByteToWideChar(936, 0, gbk.c_str(), -1, w.data(), static_cast<int>(w.size())) -
             1);
    return w;
}

void make(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(h, "x", 1, &put, nullptr);
    CloseHandle(h);
}

TEST(Files, ListingsSkipNamesGbkCannotHoldAndDeletionsStayInTheirFolder) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string folder =
        std::string(tmp) + "yq-listing-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::wstring w = wide(folder);
    make(w + L"plain.ttf");
    make(w + L"\uD55C\uAE00.ttf");  // Hangul: not in GBK
    make(w + L"X\u00C0.ttf");       // À: GBK would write it as "A", the name of the next file
    make(w + L"XA.ttf");
    make(w + L"caf\u00E9.ttf");  // é is in GBK
    CreateDirectoryW((w + L"sub").c_str(), nullptr);
    make(w + L"sub\\inside.ttf");

    std::vector<std::string> names;
    for (const win::FolderFile& f : win::list_folder_files(folder)) names.push_back(f.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"XA.ttf", "caf\xA8\xA6.ttf", "plain.ttf"}));

    EXPECT_TRUE(win::is_plain_file_directly_in(folder, folder + "plain.ttf"));
    EXPECT_TRUE(win::is_plain_file_directly_in(folder, folder + "PLAIN.TTF"));
    const std::string name_of_folder = folder.substr(folder.rfind('\\', folder.size() - 2) + 1);
    for (const std::string& hostile :
         {folder + "sub", folder + "sub\\", folder + "sub\\inside.ttf", folder + "nosuch.ttf",
          folder + "..\\" + name_of_folder + "plain.ttf", folder + ".\\plain.ttf",
          folder + "plain.ttf.", folder + "plain.ttf ", folder + "CON", folder + "nul.ttf",
          folder + "sub/../plain.ttf", std::string("plain.ttf"), folder + "X?.ttf"}) {
        EXPECT_FALSE(win::is_plain_file_directly_in(folder, hostile)) << hostile;
    }
}

}  // namespace
}  // namespace yq
