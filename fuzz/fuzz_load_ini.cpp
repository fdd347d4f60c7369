// Any bytes that decode must parse without failing, keep the reader's invariants, and
// survive a write and a second read where the format allows it.
#include "io/ini_file.h"
#include "io/strings.h"
#include "io/text_decoding.h"

#include <cstdlib>

namespace {

// The reader's guarantees: unique section names, unique keys per section, trimmed
// names, keys and values, no line breaks inside them.
void check(const Ini_File& ini) {
    for (std::size_t i = 0; i < ini.sections.size(); ++i) {
        const Ini_Section& s = ini.sections[i];
        if (trimmed(s.name) != s.name) std::abort();
        for (std::size_t j = i + 1; j < ini.sections.size(); ++j)
            if (ini.sections[j].name == s.name) std::abort();
        for (std::size_t k = 0; k < s.entries.size(); ++k) {
            const Ini_Entry& e = s.entries[k];
            if (trimmed(e.key) != e.key || trimmed(e.value) != e.value) std::abort();
            if (e.key.find(u'=') != std::u16string::npos) std::abort();
            if (!e.key.empty() && e.key.front() == u';') std::abort();
            for (std::size_t m = k + 1; m < s.entries.size(); ++m)
                if (s.entries[m].key == e.key) std::abort();
        }
    }
}

bool same(const Ini_File& a, const Ini_File& b) {
    if (a.sections.size() != b.sections.size()) return false;
    for (std::size_t i = 0; i < a.sections.size(); ++i) {
        const Ini_Section& x = a.sections[i];
        const Ini_Section& y = b.sections[i];
        if (x.name != y.name || x.entries.size() != y.entries.size()) return false;
        for (std::size_t k = 0; k < x.entries.size(); ++k)
            if (x.entries[k].key != y.entries[k].key || x.entries[k].value != y.entries[k].value) return false;
    }
    return true;
}

// Whether serialising can keep this: no line breaks, a name without ']' followed by
// text that would read as a header, and no key that reads as a comment or header.
bool round_trips(const Ini_File& ini) {
    for (const Ini_Section& s : ini.sections) {
        if (s.name.find(u"\r\n") != std::u16string::npos) return false;
        for (const Ini_Entry& e : s.entries) {
            if (e.key.find(u"\r\n") != std::u16string::npos || e.value.find(u"\r\n") != std::u16string::npos)
                return false;
            if (e.key.empty() && e.value.empty()) continue;
            const std::u16string line = e.key + u"=" + e.value;
            if (line.front() == u'[' && line.back() == u']') return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    if (!decode_text(data, size, text)) return 0;
    Ini_File ini;
    parse_ini_text(ini, text);
    check(ini);
    const std::u16string written = serialize_ini(ini);
    Ini_File again;
    parse_ini_text(again, written);
    check(again);
    if (round_trips(ini) && !same(ini, again)) std::abort();
    // Parsing is idempotent on its own output.
    if (serialize_ini(again) != written && round_trips(ini)) std::abort();
    return 0;
}
