#include "io/ini_file.h"

#include "io/file.h"
#include "io/strings.h"
#include "io/text_decoding.h"

#include <cstdint>

bool load_ini(Ini_File& ini, const std::u16string& path, std::u16string* error_text) {
    std::vector<std::uint8_t> bytes;
    if (!read_file_bytes(path, bytes, error_text)) return false;
    std::u16string text;
    if (!decode_text(bytes.data(), bytes.size(), text, error_text)) return false;
    parse_ini_text(ini, text);
    if (error_text) error_text->clear();
    return true;
}

void parse_ini_text(Ini_File& ini, std::u16string_view text) {
    // An index, not a pointer: appending a section may move the others.
    std::size_t current = not_found;
    for (std::u16string_view raw : split_views(text, u"\r\n")) {
        const std::u16string_view line = trimmed(raw);
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            const std::u16string_view name = trimmed(line.substr(1, line.size() - 2));
            Ini_Section& section = add_section(ini, name);
            section.entries.clear();
            current = static_cast<std::size_t>(&section - ini.sections.data());
            continue;
        }
        if (current == not_found || line.empty() || line.front() == u';') continue;
        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) continue;
        const std::u16string_view key = trimmed(line.substr(0, eq));
        const std::u16string_view value = trimmed(line.substr(eq + 1));
        Ini_Section& section = ini.sections[current];
        Ini_Entry* entry = find_entry(section, key);
        if (!entry) entry = &add_entry(section, key);
        entry->value.assign(value);
    }
}

std::u16string serialize_ini(const Ini_File& ini) {
    std::u16string out;
    for (std::size_t i = 0; i < ini.sections.size(); ++i) {
        const Ini_Section& section = ini.sections[i];
        if (i > 0) out += u"\r\n";
        out += u'[';
        out += section.name;
        out += u"]\r\n";
        for (const Ini_Entry& entry : section.entries) {
            out += entry.key;
            out += u'=';
            out += entry.value;
            out += u"\r\n";
        }
    }
    return out;
}

bool save_ini(const Ini_File& ini, const std::u16string& path, std::u16string* error_text) {
    // A crash while the settings are written must not leave a file the program cannot start
    // with; a program folder closed to new files still gets its settings written in place.
    return write_text_file_safely(path, serialize_ini(ini), error_text, true);
}

Ini_Section* find_section(Ini_File& ini, std::u16string_view name) {
    for (Ini_Section& section : ini.sections)
        if (section.name == name) return &section;
    return nullptr;
}

const Ini_Section* find_section(const Ini_File& ini, std::u16string_view name) {
    return find_section(const_cast<Ini_File&>(ini), name);
}

Ini_Entry* find_entry(Ini_Section& section, std::u16string_view key) {
    for (Ini_Entry& entry : section.entries)
        if (entry.key == key) return &entry;
    return nullptr;
}

const Ini_Entry* find_entry(const Ini_Section& section, std::u16string_view key) {
    return find_entry(const_cast<Ini_Section&>(section), key);
}

std::u16string* get_value(Ini_File& ini, std::u16string_view section, std::u16string_view key) {
    Ini_Section* s = find_section(ini, section);
    if (!s) return nullptr;
    Ini_Entry* e = find_entry(*s, key);
    return e ? &e->value : nullptr;
}

const std::u16string* get_value(const Ini_File& ini, std::u16string_view section, std::u16string_view key) {
    return get_value(const_cast<Ini_File&>(ini), section, key);
}

Ini_Entry& add_entry(Ini_Section& section, std::u16string_view key) {
    section.entries.push_back(Ini_Entry{std::u16string(key), std::u16string()});
    return section.entries.back();
}

Ini_Section& add_section(Ini_File& ini, std::u16string_view name) {
    if (Ini_Section* found = find_section(ini, name)) return *found;
    ini.sections.push_back(Ini_Section{std::u16string(name), {}});
    return ini.sections.back();
}

void clear_entries(Ini_Section& section) {
    section.entries.clear();
}
