// The encoding the document was read in (Reopen with encoding), and its file changed by
// another program: the question before saving over it, the offer to reopen it.
#include "app/main_window.h"

#include "gui/win_str.h"
#include "io/code_pages.h"
#include "io/strings.h"

namespace {

constexpr char16_t changed_title[] = u"File changed";

}  // namespace

void Main_Window::add_encoding_menu() {
    // The resource holds a placeholder item where the popup goes, as the recent menus do.
    const HMENU file_menu = GetSubMenu(GetMenu(hwnd), 0);
    wchar_t text[64] = {};
    GetMenuStringW(file_menu, IDM_REOPEN_ENCODING, text, 63, MF_BYCOMMAND);
    encoding_menu = CreatePopupMenu();
    UINT id = IDM_ENCODING_FIRST;
    for (const Readable_Encoding& e : readable_encodings()) {
        AppendMenuW(encoding_menu, MF_STRING, id, as_wcstr(e.name));
        const unsigned code_page = e.code_page;
        on_command(id++, [this, code_page](params&) {
            Flow flow(*this);
            reopen_with_encoding(code_page);
            return LRESULT{1};
        });
    }
    InsertMenuW(file_menu, IDM_REOPEN_ENCODING, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(encoding_menu),
                text);
    DeleteMenu(file_menu, IDM_REOPEN_ENCODING, MF_BYCOMMAND);
}

void Main_Window::update_encoding_menu(HMENU file_menu) {
    if (!encoding_menu) return;
    for (int k = 0, n = GetMenuItemCount(file_menu); k < n; ++k) {
        if (GetSubMenu(file_menu, k) == encoding_menu)
            EnableMenuItem(file_menu, k, MF_BYPOSITION | (document_path().empty() ? MF_GRAYED : MF_ENABLED));
    }
    const auto encodings = readable_encodings();
    for (std::size_t k = 0; k < encodings.size(); ++k) {
        const UINT id = IDM_ENCODING_FIRST + static_cast<UINT>(k);
        CheckMenuItem(encoding_menu, id, MF_BYCOMMAND | (encodings[k].code_page == document_code_page ? MF_CHECKED : MF_UNCHECKED));
    }
}

void Main_Window::reopen_with_encoding(unsigned code_page) {
    const std::u16string path = document_path();
    if (path.empty()) return;
    // A reopen is an open: the save question first, then a new document with no history.
    open_sub(path, false, code_page);
}

void Main_Window::set_document_file(const std::u16string& path, unsigned code_page) {
    document_code_page = path.empty() ? 0 : code_page;
    document_stamp = file_stamp(path);
    declined_stamp = {};
    set_status(encoding_status_part, encoding_name(document_code_page));
}

bool Main_Window::confirm_overwrite(const std::u16string& path) {
    // A file removed meanwhile is written anew: nothing of another program's is lost.
    const File_Stamp now = file_stamp(path);
    if (path != document_path() || !now.exists || !changed_since(document_stamp, now)) return true;
    return box(changed_title, u"The file was changed by another program since it was opened. Overwrite it?",
               MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

void Main_Window::offer_to_reopen_changed() {
    const std::u16string path = document_path();
    // Within a flow its own dialogs decide; with edits of its own the save question will.
    if (path.empty() || flows > 0 || modified || !history.at_saved()) return;
    const File_Stamp now = file_stamp(path);
    if (!now.exists || !changed_since(document_stamp, now) || now == declined_stamp) return;
    declined_stamp = now;  // asked once for each change
    Flow flow(*this);
    if (box(changed_title, format(u"\"%s\"\n\nThe file was changed by another program. Reopen it?", path),
            MB_YESNO | MB_ICONQUESTION) == IDYES)
        read_document(path, false, 0);
}
