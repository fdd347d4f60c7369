#pragma once
// The settings file: ordered sections of ordered key=value entries, exact lookup.

#include <string>
#include <string_view>
#include <vector>

struct Ini_Entry {
    std::u16string key;
    std::u16string value;
};

struct Ini_Section {
    std::u16string name;
    std::vector<Ini_Entry> entries;
};

/// At most one section of a name, and one entry of a key per section; names and keys are
/// compared exactly (case-sensitive).
struct Ini_File {
    std::vector<Ini_Section> sections;
};

/// Reads, decodes and parses the file, adding to what `ini` holds. Fails only when the
/// file cannot be read or decoded; `ini` is then untouched.
bool load_ini(Ini_File& ini, const std::u16string& path, std::u16string* error_text = nullptr);
/// The parsing step of load_ini on decoded text (lines separated by "\r\n").
void parse_ini_text(Ini_File& ini, std::u16string_view text);
/// "[name]\r\nkey=value\r\n" per section, an empty line between sections.
std::u16string serialize_ini(const Ini_File& ini);
bool save_ini(const Ini_File& ini, const std::u16string& path, std::u16string* error_text = nullptr);

/// Pointers stay valid until sections or entries are added or removed.
Ini_Section* find_section(Ini_File& ini, std::u16string_view name);
const Ini_Section* find_section(const Ini_File& ini, std::u16string_view name);
Ini_Entry* find_entry(Ini_Section& section, std::u16string_view key);
const Ini_Entry* find_entry(const Ini_Section& section, std::u16string_view key);
/// Null when the section or the key is missing; assign through it to change the setting.
std::u16string* get_value(Ini_File& ini, std::u16string_view section, std::u16string_view key);
const std::u16string* get_value(const Ini_File& ini, std::u16string_view section, std::u16string_view key);
/// Appends an entry with an empty value; look the key up with find_entry first.
Ini_Entry& add_entry(Ini_Section& section, std::u16string_view key);
/// The section of that name, appended with no entries when missing.
Ini_Section& add_section(Ini_File& ini, std::u16string_view name);
void clear_entries(Ini_Section& section);
