#include "io/code_pages.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>
#include <vector>

#include "io/code_page_tables.h"

namespace {

constexpr Readable_Encoding encodings[] = {
    {code_page_utf8, u"Unicode (UTF-8)"},
    {code_page_utf16_le, u"Unicode (UTF-16 little endian)"},
    {code_page_utf16_be, u"Unicode (UTF-16 big endian)"},
    {1252, u"Western European (Windows-1252)"},
    {1250, u"Central European (Windows-1250)"},
    {1257, u"Baltic (Windows-1257)"},
    {1254, u"Turkish (Windows-1254)"},
    {1251, u"Cyrillic (Windows-1251)"},
    {1253, u"Greek (Windows-1253)"},
    {1255, u"Hebrew (Windows-1255)"},
    {1256, u"Arabic (Windows-1256)"},
    {1258, u"Vietnamese (Windows-1258)"},
    {874, u"Thai (Windows-874)"},
    {932, u"Japanese (Shift-JIS, 932)"},
    {936, u"Chinese Simplified (GBK, 936)"},
    {950, u"Chinese Traditional (Big5, 950)"},
    {949, u"Korean (Unified Hangul, 949)"},
};

// Only the bytes from the first one above 0x7F over this many take part: enough for any
// language to show, and reading a large file does not wait for the guess.
constexpr std::size_t sample_size = 256 * 1024;

// Another code page must beat Windows-1252 by this many quarter bits, plus a share of
// 1252's own cost, before it is taken.
constexpr std::uint64_t fixed_margin = 48;
constexpr std::uint64_t margin_share = 16;  // 1/16 of the cost

// The cost of one language's characters, by code unit.
class Char_Costs {
public:
    explicit Char_Costs(const Language_Model& m) : unknown_(m.unknown_cost) {
        entries_.reserve(m.count);
        for (std::size_t k = 0; k < m.count; ++k)
            entries_.emplace_back(m.chars[k], m.costs[k]);
        std::sort(entries_.begin(), entries_.end());
    }
    std::uint8_t operator()(char16_t c) const {
        const auto it = std::lower_bound(entries_.begin(), entries_.end(), std::pair<char16_t, std::uint8_t>(c, 0));
        return it != entries_.end() && it->first == c ? it->second : unknown_;
    }
    std::uint8_t unknown() const { return unknown_; }

private:
    std::vector<std::pair<char16_t, std::uint8_t>> entries_;
    std::uint8_t unknown_;
};

// Real text keeps to one script. A letter of another script beside a Latin letter (Cyrillic
// read from a French "café") costs this much more, and so does a Latin character between
// two others above 0x7F (a Russian word read in 1252 is all accented letters, while
// Western words hold them among plain letters).
constexpr std::uint64_t mixed_script_cost = 64;

// A language of a one-byte code page: the cost of each byte from 0x80 on, and which bytes
// are letters of a script other than Latin.
struct Byte_Model {
    unsigned code_page;
    std::array<std::uint8_t, 128> cost;
    std::array<bool, 128> other_script;
    std::uint8_t unknown;
};

bool other_script_letter(char16_t c) {
    return (c >= 0x0370 && c <= 0x06FF) || (c >= 0x0E00 && c <= 0x0E7F);  // Greek to Arabic, Thai
}

// The language of a two-byte code page: the cost of each single byte from 0x80 on, of each
// pair by lead byte and trail byte, and of a lead byte with no trail byte.
struct Pair_Model {
    const Double_Byte_Table* table;
    std::array<std::uint8_t, 128> single;
    std::vector<std::uint8_t> pairs;  // 128 * trail_count
    std::uint8_t broken;
};

struct Models {
    std::vector<Byte_Model> bytes;
    std::vector<Pair_Model> pairs;
};

const Single_Byte_Table* single_byte_table(unsigned code_page) {
    for (std::size_t k = 0; k < single_byte_table_count; ++k)
        if (single_byte_tables[k].code_page == code_page) return &single_byte_tables[k];
    return nullptr;
}

const Double_Byte_Table* double_byte_table(unsigned code_page) {
    for (std::size_t k = 0; k < double_byte_table_count; ++k)
        if (double_byte_tables[k].code_page == code_page) return &double_byte_tables[k];
    return nullptr;
}

Models make_models() {
    Models models;
    for (std::size_t k = 0; k < language_model_count; ++k) {
        const Language_Model& language = language_models[k];
        const Char_Costs costs(language);
        if (const Single_Byte_Table* table = single_byte_table(language.code_page)) {
            Byte_Model& m = models.bytes.emplace_back();
            m.code_page = language.code_page;
            m.unknown = costs.unknown();
            for (unsigned b = 0; b < 128; ++b) {
                m.cost[b] = costs(table->high[b]);
                m.other_script[b] = other_script_letter(table->high[b]);
            }
        } else if (const Double_Byte_Table* table = double_byte_table(language.code_page)) {
            Pair_Model& m = models.pairs.emplace_back();
            m.table = table;
            m.broken = costs.unknown();
            m.pairs.assign(128 * trail_count, costs.unknown());
            for (unsigned b = 0; b < 128; ++b) {
                m.single[b] = costs(table->singles[b]);
                if (const char16_t* row = table->rows[b]) {
                    for (unsigned t = 0; t < trail_count; ++t)
                        m.pairs[b * trail_count + t] = costs(row[t]);
                }
            }
        }
    }
    return models;
}

const Models& models() {
    static const Models built = make_models();
    return built;
}

// What a code page's reading of the sample costs, and how many of the characters it gives
// are foreign to the language.
struct Score {
    std::uint64_t cost = 0;
    std::uint64_t characters = 0;
    std::uint64_t foreign = 0;

    void add(std::uint8_t c, std::uint8_t unknown, std::uint64_t times = 1) {
        cost += std::uint64_t(c) * times;
        characters += times;
        if (c == unknown) foreign += times;
    }
};

Score pair_score(const Pair_Model& m, const std::uint8_t* bytes, std::size_t size) {
    Score score;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (m.table->singles[b - 0x80] != 0) {
            score.add(m.single[b - 0x80], m.broken);
            ++i;
        } else if (i + 1 < size && bytes[i + 1] >= trail_first && bytes[i + 1] < trail_first + trail_count) {
            score.add(m.pairs[(b - 0x80) * trail_count + (bytes[i + 1] - trail_first)], m.broken);
            i += 2;
        } else {
            score.add(m.broken, m.broken);
            ++i;
        }
    }
    return score;
}

}  // namespace

std::span<const Readable_Encoding> readable_encodings() { return encodings; }

std::u16string encoding_name(unsigned code_page) {
    for (const Readable_Encoding& e : encodings)
        if (e.code_page == code_page) return e.name;
    if (code_page == code_page_utf32_le) return u"Unicode (UTF-32 little endian)";
    if (code_page == code_page_utf32_be) return u"Unicode (UTF-32 big endian)";
    return {};
}

bool is_legacy_code_page(unsigned code_page) {
    return single_byte_table(code_page) != nullptr || double_byte_table(code_page) != nullptr;
}

unsigned detect_code_page(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes) return code_page_western;
    // Starting at the first byte above 0x7F keeps two-byte code pages in step.
    const std::uint8_t* from = std::find_if(bytes, bytes + size, [](std::uint8_t b) { return b >= 0x80; });
    const std::size_t length = std::min<std::size_t>(bytes + size - from, sample_size);
    if (length == 0) return code_page_western;

    // How often each byte from 0x80 on occurs, how often next to an ASCII letter, and how
    // often between two bytes from 0x80 on.
    std::array<std::uint64_t, 128> counts{};
    std::array<std::uint64_t, 128> beside_latin{};
    std::array<std::uint64_t, 128> inside_run{};
    const auto latin = [](std::uint8_t b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; };
    for (std::size_t i = 0; i < length; ++i) {
        if (from[i] < 0x80) continue;
        const unsigned b = from[i] - 0x80;
        ++counts[b];
        if ((i > 0 && latin(from[i - 1])) || (i + 1 < length && latin(from[i + 1]))) ++beside_latin[b];
        if (i > 0 && i + 1 < length && from[i - 1] >= 0x80 && from[i + 1] >= 0x80) ++inside_run[b];
    }

    // Each code page scores what its most plausible language scores.
    struct Candidate {
        unsigned code_page;
        Score score;
    };
    std::vector<Candidate> candidates;
    const auto offer = [&](unsigned code_page, const Score& score) {
        for (Candidate& c : candidates) {
            if (c.code_page == code_page) {
                if (score.cost < c.score.cost) c.score = score;
                return;
            }
        }
        candidates.push_back({code_page, score});
    };
    const Models& m = models();
    for (const Byte_Model& language : m.bytes) {
        Score score;
        for (unsigned b = 0; b < 128; ++b) {
            if (counts[b] == 0) continue;
            score.add(language.cost[b], language.unknown, counts[b]);
            score.cost += (language.other_script[b] ? beside_latin[b] : inside_run[b]) * mixed_script_cost;
        }
        offer(language.code_page, score);
    }
    for (const Pair_Model& language : m.pairs)
        offer(language.table->code_page, pair_score(language, from, length));

    std::uint64_t western = std::numeric_limits<std::uint64_t>::max();
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        if (c.code_page == code_page_western) western = c.score.cost;
        if (!best || c.score.cost < best->score.cost) best = &c;
    }
    if (!best || best->code_page == code_page_western) return code_page_western;
    // The winner must beat 1252 clearly, and read mostly as characters its language uses:
    // bytes that are no text score badly everywhere and stay in 1252.
    const std::uint64_t margin = fixed_margin + western / margin_share;
    const bool clear = best->score.cost + margin <= western;
    const bool language_like = best->score.foreign * 4 <= best->score.characters;
    return clear && language_like ? best->code_page : code_page_western;
}
