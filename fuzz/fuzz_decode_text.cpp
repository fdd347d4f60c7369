// Decoding arbitrary bytes must never fail for the decoded encodings and must agree with
// the detector and the separate decoders.
#include "io/code_pages.h"
#include "io/strings.h"
#include "io/text_decoding.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Encoding_Detection found = detect_encoding(data, size);
    if (found.mark_length > size) std::abort();
    std::u16string out = u"sentinel";
    std::u16string error = u"sentinel";
    unsigned read_as = 0;
    const bool ok = decode_text(data, size, out, &error, 0, &read_as);
    const bool decodable = found.code_page != 0;
    if (size == 0) {
        if (!ok || out != u"sentinel" || error != u"sentinel") std::abort();
        return 0;
    }
    if (ok != decodable) std::abort();
    if (!ok) {
        if (out != u"sentinel" || error.empty()) std::abort();
        return 0;
    }
    if (!error.empty() || read_as != found.code_page) std::abort();
    if (out.find(u'\0') != std::u16string::npos) std::abort();
    // Never more units than bytes after the mark.
    if (out.size() > size - found.mark_length) std::abort();
    if (found.encoding == Text_Encoding::utf8) {
        // Re-encoding and decoding again is stable (replacements included).
        const std::string again = utf16_to_utf8(out);
        std::u16string round;
        decode_utf8(reinterpret_cast<const std::uint8_t*>(again.data()), again.size(), round);
        if (round != out) std::abort();
        for (std::size_t i = 0; i < out.size(); ++i) {
            const char16_t c = out[i];
            if (c >= 0xD800 && c <= 0xDBFF) {
                if (i + 1 >= out.size() || out[i + 1] < 0xDC00 || out[i + 1] > 0xDFFF) std::abort();
                ++i;
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                std::abort();  // the decoder never produces a lone surrogate
            }
        }
    } else if (found.encoding == Text_Encoding::ansi && !is_legacy_code_page(found.code_page)) {
        std::abort();
    }
    return 0;
}
