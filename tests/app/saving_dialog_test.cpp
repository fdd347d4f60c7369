#include "app/saving_dialog.h"

#include <gtest/gtest.h>

#include "io/strings.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

std::string read_bytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

}  // namespace

TEST(SavingDialog, EndsOnlyWithTheWorkersReport) {
    const Sub_List subs{{1000, 2000, u"A"}};
    const struct {
        const wchar_t* name;
        bool thread_starts;
        INT_PTR result;
        const char* bytes;
        const char16_t* error_start;
    } cases[] = {
        {L"a.srt", true, 1, "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n", u""},
        {L"missing\\a.srt", true, 3, "<missing>", u"Could not create a temporary file in \""},
        // Without a worker nothing would end the dialog: it fails at once, the old file kept.
        {L"old.srt", false, 3, "old", u"The file could not be saved: no thread could be started to write it."},
    };
    Owner owner;
    Temp_Folder folder;
    folder.write(L"old.srt", "old");
    for (const auto& c : cases) {
        const std::wstring path = folder.path + L"\\" + c.name;
        Saving_Dialog dialog(u16(path), subs);
        if (!c.thread_starts)
            dialog.start_worker = [](std::function<void()>) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return false;
            };
        EXPECT_EQ(dialog.show(owner.hwnd), c.result) << utf16_to_utf8(u16(path));
        EXPECT_EQ(read_bytes(path), c.bytes);
        EXPECT_EQ(dialog.error_text.rfind(c.error_start, 0), 0u) << utf16_to_utf8(dialog.error_text);
        if (!c.thread_starts) {
            EXPECT_NE(dialog.error_text.find(u"(error 8)\nThe file on disk was not changed."), std::u16string::npos)
                << utf16_to_utf8(dialog.error_text);
        }
        DeleteFileW((folder.path + L"\\a.srt").c_str());
    }
}
