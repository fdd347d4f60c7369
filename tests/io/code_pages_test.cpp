#include "io/code_pages.h"

#include "io/strings.h"
#include "io/text_decoding.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Encodes through the decoder's own tables, run backwards: every byte and every pair of a
// code page decoded once, each character kept with the first bytes that give it.
std::string encode(const std::u16string& text, unsigned code_page) {
    std::map<char16_t, std::string> bytes_of;
    std::u16string out;
    for (unsigned b = 1; b < 256; ++b) {
        const std::uint8_t one[1] = {static_cast<std::uint8_t>(b)};
        if (decode_code_page(code_page, one, 1, out) && out.size() == 1 && out[0] != 0xFFFD)
            bytes_of.emplace(out[0], std::string(1, char(b)));
        for (unsigned t = 0x40; t < 0xFF && b >= 0x80; ++t) {
            const std::uint8_t two[2] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(t)};
            if (decode_code_page(code_page, two, 2, out) && out.size() == 1 && out[0] != 0xFFFD)
                bytes_of.emplace(out[0], std::string{char(b), char(t)});
        }
    }
    std::string encoded;
    for (char16_t c : text) {
        const auto it = bytes_of.find(c);
        EXPECT_NE(it, bytes_of.end()) << "U+" << std::hex << unsigned(c) << " is not in " << std::dec << code_page;
        if (it != bytes_of.end()) encoded += it->second;
    }
    return encoded;
}

unsigned detected(const std::string& bytes) {
    return detect_encoding(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()).code_page;
}

TEST(DetectCodePage, TextsOfEachCodePage) {
    const struct { unsigned code_page; const char16_t* text; } cases[] = {
        {1251, u"Мы должны уйти до рассвета, иначе они найдут нас здесь."},                  // Russian
        {1251, u"Що ти робиш сьогодні ввечері? Ходімо до кіно разом з друзями."},              // Ukrainian
        {1251, u"Не знам какво да кажа. Трябва ли да се върнем обратно у дома?"},              // Bulgarian
        {1250, u"Nie wiem, co powiedzieć. Musimy wrócić do domu przed zmierzchem, bo będzie źle."},  // Polish
        {1250, u"Nevím, co mám říct. Musíme se vrátit domů dřív, než začne pršet."},          // Czech
        {1250, u"Nem tudom, mit mondjak. Vissza kell mennünk, mielőtt besötétedik, különben baj lesz. Miért állsz még itt? Gyere, siessünk, hideg van és fáradt vagyok."},  // Hungarian
        {1250, u"Ne znam što bih rekao. Moramo se vratiti kući prije mraka, inače ćemo zakasniti."},   // Croatian
        {1253, u"Δεν ξέρω τι να πω. Πρέπει να γυρίσουμε σπίτι πριν νυχτώσει."},              // Greek
        {1254, u"Ne diyeceğimi bilmiyorum. Hava kararmadan eve dönmemiz gerekiyor, şimdi çıkalım."},  // Turkish
        {1255, u"אני לא יודע מה להגיד. אנחנו חייבים לחזור הביתה לפני החושך."},               // Hebrew
        {1256, u"لا أعرف ماذا أقول. يجب أن نعود إلى البيت قبل حلول الظلام."},                // Arabic
        {1257, u"Nežinau, ką pasakyti. Turime grįžti namo, kol dar nesutemo. Kodėl tu vis dar čia stovi? Eime greičiau, nes šąla. Rytoj vėl susitiksime prie upės, ten, kur žydi obelys."},  // Lithuanian
        {1257, u"Es nezinu, ko lai saku. Mums jāatgriežas mājās, pirms iestājas tumsa, citādi būs ļoti slikti. Kāpēc tu vēl gaidi?"},  // Latvian
        {874, u"ฉันไม่รู้จะพูดอะไร เราต้องกลับบ้านก่อนมืด"},                                  // Thai
        {932, u"何を言えばいいのか分からない。暗くなる前に家に帰らなければならない。"},          // Japanese
        {936, u"我不知道该说什么。我们必须在天黑之前回家，否则会有麻烦。"},                     // Chinese, simplified
        {950, u"我不知道該說什麼。我們必須在天黑之前回家，否則會有麻煩。"},                     // Chinese, traditional
        {949, u"무슨 말을 해야 할지 모르겠어요. 어두워지기 전에 집에 돌아가야 해요."},          // Korean
    };
    for (const auto& c : cases) {
        const std::string bytes = "1\r\n00:00:01,000 --> 00:00:04,000\r\n" + encode(c.text, c.code_page) + "\r\n";
        EXPECT_EQ(detected(bytes), c.code_page) << utf16_to_utf8(c.text);
        std::u16string read;
        EXPECT_TRUE(decode_text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), read));
        EXPECT_NE(read.find(c.text), std::u16string::npos) << utf16_to_utf8(c.text);
    }
}

// Western European text in Windows-1252 never reads as anything else.
TEST(DetectCodePage, WesternEuropeanStaysWindows1252) {
    const char16_t* const texts[] = {
        u"Je ne sais pas quoi dire. Nous devons rentrer à la maison avant la tombée de la nuit, où êtes-vous ?",  // French
        u"Ich weiß nicht, was ich sagen soll. Wir müssen vor der Dämmerung zurück, sonst wird es gefährlich.",  // German
        u"No sé qué decir. Tenemos que volver a casa antes del anochecer, ¿verdad, señor Muñoz?",      // Spanish
        u"Não sei o que dizer. Precisamos voltar para casa antes do anoitecer, senão será pior.",    // Portuguese
        u"Non so cosa dire. Dobbiamo tornare a casa prima che faccia buio, perché è già tardi.",     // Italian
        u"Ik weet niet wat ik moet zeggen. We moeten naar huis vóór het donker wordt, ’s avonds.",   // Dutch
        u"Jag vet inte vad jag ska säga. Vi måste gå hem innan det blir mörkt, förstår du?",        // Swedish
        u"Jeg ved ikke, hvad jeg skal sige. Vi må gå hjem, før det bliver mørkt, så skynd dig på.",  // Danish
        u"Jeg vet ikke hva jeg skal si. Vi må dra hjem før det blir mørkt, ellers går det galt.",   // Norwegian
        u"Ég veit ekki hvað ég á að segja. Við verðum að fara heim áður en það dimmir.",              // Icelandic
        u"Café",                                                                                  // one letter
        u"Café déjà vu, señor! Über müde Straße, garçon. Très schön, mañana, niño. Crème brûlée, façade, Noël.",  // languages mixed
        u"Œuvre « complète » – 12 € … ‘déjà’",                                                     // 1252's own signs
    };
    for (const char16_t* text : texts) {
        const std::string bytes = encode(text, 1252);
        EXPECT_EQ(detected(bytes), 1252u) << utf16_to_utf8(text);
    }
}

TEST(DetectCodePage, NoTextStaysWindows1252) {
    const struct { std::string bytes; } cases[] = {
        {"\x86\x87\x89\x95\x86\x87\x89\x95"},   // signs that are no language's letters
        {"abc\xC3"},                            // one byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(detect_code_page(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()), 1252u)
            << ::testing::PrintToString(c.bytes);
}

TEST(CodePages, NamesAndMenuOrder) {
    const auto encodings = readable_encodings();
    ASSERT_EQ(encodings.size(), 17u);
    EXPECT_EQ(encodings[0].code_page, code_page_utf8);
    for (const Readable_Encoding& e : encodings) {
        EXPECT_EQ(encoding_name(e.code_page), e.name);
        // Every legacy page in the menu decodes.
        const bool unicode = e.code_page == code_page_utf8 || e.code_page == code_page_utf16_le ||
                             e.code_page == code_page_utf16_be;
        EXPECT_NE(is_legacy_code_page(e.code_page), unicode) << e.code_page;
    }
    EXPECT_EQ(encoding_name(1251), u"Cyrillic (Windows-1251)");
    EXPECT_EQ(encoding_name(936), u"Chinese Simplified (GBK, 936)");
    EXPECT_EQ(encoding_name(12001), u"Unicode (UTF-32 big endian)");
    EXPECT_EQ(encoding_name(437), u"");
    EXPECT_FALSE(is_legacy_code_page(437));
}

}  // namespace
