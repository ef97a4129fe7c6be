#include "listing/record_store.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

namespace vandlor2 {
namespace {

/// The texts of entry `n`: every length from empty to the column's width, of any byte, NUL and
/// 0xFF included, in a buffer with the readable bytes after them that the store asks for.
struct NumberedEntry {
    std::array<std::string, 7> texts;
    std::string buffer;

    explicit NumberedEntry(std::size_t n) {
        static constexpr std::array<std::size_t, 7> kWidths = {5, 5, 30, 30, 9, 8, 12};
        for (std::size_t field = 0; field < texts.size(); ++field) {
            const std::size_t length = (n * 7 + field * 3) % (kWidths[field] + 1);
            for (std::size_t i = 0; i < length; ++i) {
                texts[field] += static_cast<char>((n * 31 + field * 17 + i * 101) % 256);
            }
            buffer += texts[field];
        }
        buffer += std::string(kCopySlackBytes, '\xEE');
    }

    EntryTexts views() const {
        std::array<std::string_view, 7> views;
        std::size_t at = 0;
        for (std::size_t field = 0; field < texts.size(); ++field) {
            views[field] = std::string_view(buffer).substr(at, texts[field].size());
            at += texts[field].size();
        }
        return {views[0], views[1], views[2], views[3], views[4], views[5], views[6]};
    }
};

std::array<std::string, 7> texts_of(const EntryTexts& entry) {
    return {std::string(entry.ssn_from),         std::string(entry.ssn_to),
            std::string(entry.from_station),     std::string(entry.to_station),
            std::string(entry.distance),         std::string(entry.internal_accuracy),
            std::string(entry.external_accuracy)};
}

TEST(RecordStore, KeepsTheTextsOfEveryWriterOnAnyThread) {
    // Enough entries to fill several chunks, from two writers on threads of their own.
    constexpr std::size_t kEntries = 120'000;
    RecordStore store;
    std::vector<RecordRef> refs(kEntries);
    std::vector<std::thread> writers;
    for (std::size_t writer = 0; writer < 2; ++writer) {
        writers.emplace_back([&, writer] {
            RecordStore::Writer cut_into(store);
            for (std::size_t n = writer; n < kEntries; n += 2) {
                const NumberedEntry entry(n);
                refs[n] = n % 3 == 0
                              ? cut_into.add(QqTexts{entry.views().ssn_from, entry.views().ssn_to,
                                                     entry.views().internal_accuracy})
                              : cut_into.add(entry.views());
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    for (std::size_t n = 0; n < kEntries; ++n) {
        const NumberedEntry expected(n);
        ASSERT_NE(refs[n], 0u);
        if (n % 3 == 0) {
            const QqTexts qq = store.qq(refs[n]);
            ASSERT_EQ(qq.ssn_from, expected.texts[0]) << n;
            ASSERT_EQ(qq.ssn_to, expected.texts[1]) << n;
            ASSERT_EQ(qq.survey_order, expected.texts[5].substr(0, 1)) << n;
        } else {
            ASSERT_EQ(texts_of(store.entry(refs[n])), expected.texts) << n;
            ASSERT_EQ(store.external_accuracy(refs[n]), expected.texts[6]) << n;
        }
    }
}

}  // namespace
}  // namespace vandlor2
