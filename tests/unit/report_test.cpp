#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "report/prt.h"
#include "report/prtqq.h"
#include "report/report_writer.h"
#include "tests/unit/case_name.h"
#include "tests/unit/line_builder.h"

namespace vandlor2 {
namespace {

LineRecord worked_record() {
    LineRecord record;
    record.ssn_from = "   17";
    record.ssn_to = " 1042";
    record.from_station = "NORTH BASE";
    record.to_station = "HILL 2";
    record.distance = "1234.567";
    record.internal_accuracy = "   45678";
    record.external_accuracy = "    123456.7";
    record.survey_order = "2";
    return record;
}

TEST(Prt, PlacesTheWorkedExampleInItsColumns) {
    EXPECT_EQ(prt(worked_record()), line_with(121, {{0, "NORTH BASE"},
                                                    {40, "HILL 2"},
                                                    {83, "1234.567"},
                                                    {94, "1:"},
                                                    {102, "45678"},
                                                    {108, "1:"},
                                                    {115, "123457"}}) +
                                        "\n");
}

TEST(Prt, KeepsItsWidthForEmptyAndFullFields) {
    LineRecord record;
    EXPECT_EQ(prt(record),
              line_with(121, {{94, "1:"}, {106, "0"}, {108, "1:"}, {120, "0"}}) + "\n");
    record.from_station = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    record.to_station = "abcdefghijklmnopqrstuvwxyz1234";
    record.distance = "123456.78";
    EXPECT_EQ(prt(record), line_with(121, {{0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"},
                                           {40, "abcdefghijklmnopqrstuvwxyz1234"},
                                           {82, "123456.78"},
                                           {94, "1:"},
                                           {106, "0"},
                                           {108, "1:"},
                                           {120, "0"}}) +
                               "\n");
}

TEST(Prt, WidensTheLineForAnElevenDigitAccuracy) {
    LineRecord record = worked_record();
    record.external_accuracy = " 12345678901";
    const std::string line = prt(record);
    EXPECT_EQ(line.size(), 123u);
    EXPECT_EQ(line.substr(107), " 1: 12345678901\n");
}

TEST(Prt, IgnoresSerialNumbersAndSurveyOrder) {
    LineRecord record = worked_record();
    const std::string line = prt(record);
    record.ssn_from = "99999";
    record.ssn_to = "";
    record.survey_order = "X";
    EXPECT_EQ(prt(record), line);
}

TEST(Prtqq, PlacesTheWorkedExampleInItsColumns) {
    LineRecord record = worked_record();
    record.distance = " 1234.567";
    EXPECT_EQ(prtqq(record), line_with(126, {{0, " ("},
                                             {5, "17"},
                                             {7, ") "},
                                             {9, "NORTH BASE"},
                                             {39, "   ("},
                                             {44, "1042"},
                                             {48, ") "},
                                             {50, "HILL 2"},
                                             {84, "1234.567"},
                                             {95, "1:"},
                                             {103, "45678"},
                                             {109, "1:"},
                                             {116, "123457"},
                                             {125, "2"}}) +
                                 "\n");
}

TEST(Prtqq, KeepsItsWidthWithOnlySerialNumbersAndOrder) {
    LineRecord record;
    record.ssn_from = "12";
    record.ssn_to = "";
    EXPECT_EQ(prtqq(record), line_with(126, {{0, " (   12) "},
                                             {39, "   (     ) "},
                                             {95, "1:"},
                                             {107, "0"},
                                             {109, "1:"},
                                             {121, "0"}}) +
                                 "\n");
}

TEST(Headings, LineUpWithTheRecordColumns) {
    EXPECT_EQ(kPlainHeading1, line_with(116, {{0, "FROM STATION"},
                                              {40, "TO STATION"},
                                              {83, "DISTANCE"},
                                              {94, "INTERNAL"},
                                              {108, "EXTERNAL"}}));
    EXPECT_EQ(kPlainHeading2,
              line_with(116, {{85, "METERS"}, {94, "ACCURACY"}, {108, "ACCURACY"}}));
    EXPECT_EQ(kQqHeading1, line_with(126, {{4, "SSN"},
                                           {9, "FROM STATION"},
                                           {45, "SSN"},
                                           {50, "TO STATION"},
                                           {84, "DISTANCE"},
                                           {95, "INTERNAL"},
                                           {109, "EXTERNAL"},
                                           {121, "SURVY"}}));
    EXPECT_EQ(
        kQqHeading2,
        line_with(126, {{86, "METERS"}, {95, "ACCURACY"}, {109, "ACCURACY"}, {121, "ORDER"}}));
}

const std::string kTitle = std::string(30, ' ') + "LENGTH RELATIVE ACCURACIES (M)";

std::string plain_heading(int page) {
    return std::string(page > 1 ? "\f" : "") + " Page " + std::to_string(page) + "\n" + kTitle +
           "\n\n" + std::string(kPlainHeading1) + "\n" + std::string(kPlainHeading2) + "\n\n";
}

/// A plain-layout table of `count` records whose external accuracies sort as numbered.
ListingContents numbered_records(int count) {
    ListingContents contents;
    contents.section_title = kTitle;
    for (int i = count; i >= 1; --i) {
        LineRecord record;
        const std::string name = "S" + std::to_string(i);
        record.from_station = name;
        char key[13];
        std::snprintf(key, sizeof key, "%12d", i);
        record.external_accuracy = key;
        contents.records.push_back(record);
    }
    contents.length_record_count = count;
    return contents;
}

std::string written(const ListingContents& contents) {
    std::ostringstream report;
    write_report(report, contents);
    return report.str();
}

std::string record_lines(const ListingContents& contents, int first, int last) {
    std::string lines;
    for (int i = first; i <= last; ++i) {
        lines += prt(contents.records[static_cast<std::size_t>(contents.length_record_count - i)]);
    }
    return lines;
}

TEST(WriteReport, WritesOnlyTheHeadingWithoutRecords) {
    ListingContents contents;
    EXPECT_EQ(written(contents), " Page 1\n\n\n" + std::string(kPlainHeading1) + "\n" +
                                     std::string(kPlainHeading2) + "\n\n");
}

struct PagingCase {
    int records;
    std::vector<std::pair<int, int>> pages;  // first and last record of each page
};

class PagingTest : public testing::TestWithParam<PagingCase> {};

TEST_P(PagingTest, PutsTwentySevenRecordsOnAPage) {
    const ListingContents contents = numbered_records(GetParam().records);
    std::string expected;
    int page = 0;
    for (const auto& [first, last] : GetParam().pages) {
        expected += plain_heading(++page) + record_lines(contents, first, last);
    }
    EXPECT_EQ(written(contents), expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, PagingTest,
                         testing::Values(PagingCase{1, {{1, 1}}}, PagingCase{26, {{1, 26}}},
                                         PagingCase{27, {{1, 27}, {1, 0}}},
                                         PagingCase{28, {{1, 27}, {28, 28}}},
                                         PagingCase{30, {{1, 27}, {28, 30}}},
                                         PagingCase{54, {{1, 27}, {28, 54}, {1, 0}}}),
                         [](const testing::TestParamInfo<PagingCase>& info) {
                             return case_name(info.index,
                                              std::to_string(info.param.records) + " records");
                         });

TEST(WriteReport, NumbersPagesWithoutPadding) {
    const std::string report = written(numbered_records(27 * 9 + 1));
    EXPECT_NE(report.find("\f Page 10\n" + kTitle + "\n"), std::string::npos);
    EXPECT_EQ(report.find("\f Page 11"), std::string::npos);
}

TEST(WriteReport, UsesTheQqLayoutAndTotalForAnyQqRecord) {
    ListingContents contents;
    LineRecord entry_before_qq;  // a length entry read before the first QQ line
    entry_before_qq.external_accuracy = "           9";
    entry_before_qq.from_station = "EARLY";
    LineRecord qq_record;
    qq_record.ssn_from = "    1";
    qq_record.ssn_to = "    2";
    qq_record.survey_order = "1";
    contents.records = {entry_before_qq, qq_record};
    contents.length_record_count = 1;
    contents.qq_count = 1;
    // Only the first record of the sorted table is written: the QQ record, whose empty
    // external accuracy sorts first.
    EXPECT_EQ(written(contents), " Page 1\n\n\n" + std::string(kQqHeading1) + "\n" +
                                     std::string(kQqHeading2) + "\n\n" + prtqq(qq_record));
}

}  // namespace
}  // namespace vandlor2
