#include "core/measure/measurements.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace valvescope {
namespace {

using testing::TempFolder;

std::string SampleFile(const char* name) {
    return std::string(VALVESCOPE_SAMPLE_DATA) + "/" + name;
}

#define SKIP_WITHOUT_SAMPLES()                                                                     \
    if (!std::filesystem::is_directory(VALVESCOPE_SAMPLE_DATA))                                    \
    GTEST_SKIP() << "no sample measurements at " VALVESCOPE_SAMPLE_DATA                            \
                    " (configure with -DVALVESCOPE_SAMPLE_DATA=<folder>)"

void ExpectPoint(const MeasuredPoint& point, double vg, double va, double iaMilliamps) {
    EXPECT_EQ(point.Vg, vg);
    EXPECT_EQ(point.Va, va);
    EXPECT_DOUBLE_EQ(point.Ia, iaMilliamps * 1e-3);
}

std::string ErrorFor(std::string_view text, const char* name = "x.csv") {
    try {
        ReadMeasurements(text, name);
    } catch (const MeasurementFileError& error) {
        return error.what();
    }
    return "no error";
}

TEST(SampleFiles, UTracerFile) {
    SKIP_WITHOUT_SAMPLES();
    const MeasuredPoints points = ReadMeasurementFile(SampleFile("ECC82.utd"));
    ASSERT_EQ(points.size(), 186u);
    ExpectPoint(points[0], -4, 49.12, 0.02);
    ExpectPoint(points[3], -4, 68.89, 0.37);
    ExpectPoint(points.back(), -9, 248.8, 8.43);
    EXPECT_EQ(MeasuredGridVoltages(points), (std::vector<double>{-4, -5, -6, -7, -8, -9}));
}

TEST(SampleFiles, UTmaxFile) {
    SKIP_WITHOUT_SAMPLES();
    // 54 rows, none of them marked as not measured.
    const MeasuredPoints points = ReadMeasurementFile(SampleFile("ECF80-TRIODE-10.txt"));
    ASSERT_EQ(points.size(), 54u);
    ExpectPoint(points[0], 0, 18.65, 0.04);
    ExpectPoint(points[22], -0.8, 52.03, 0.91);
    ExpectPoint(points.back(), -2, 87.42, 2.61);
    EXPECT_EQ(MeasuredGridVoltages(points), (std::vector<double>{0, -0.4, -0.8, -1.2, -1.6, -2}));
}

TEST(Formats, UTmaxLeavesOutUnmeasuredPoints) {
    const MeasuredPoints points = ReadMeasurements("Data 2\nECF80\nnote\nVa\t20\t90\t8\n"
                                                   "Point\tCurve\tIa\tIs\tVg\tVa\tVs\tVf\n"
                                                   "1\t1\t-1.00\t0.00\t0.00\t18.65\t18.65\t6.30\n"
                                                   "2\t1\t0.10\t0.00\t-0.00\t26.74\t27.24\t6.30\n"
                                                   "3\t1\t-1.00\t0.00\t0.00\t35.34\t35.84\t6.30\n",
                                                   "x.txt");
    ASSERT_EQ(points.size(), 1u);
    ExpectPoint(points[0], 0, 26.74, 0.10);
    EXPECT_FALSE(std::signbit(points[0].Vg));
}

TEST(Formats, OddButReadableFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"CRLF and blank lines", "\r\nVg,Va,Ia\r\n-4,100,2.5\r\n\r\n-6,150,1.5\r\n\r\n\r\n"},
        {"lone CR", "Vg,Va,Ia\r-4,100,2.5\r-6,150,1.5"},
        {"BOM", "\xEF\xBB\xBFVg,Va,Ia\n-4,100,2.5\n-6,150,1.5\n"},
        {"semicolons, decimal commas, empty row", "Vg;Va;Ia\n-4;100;2,5\n;;\n-6;150;1,5\n"},
        {"quotes and units",
         "\"Ia (mA)\",\"Va (V), plate\",Vg [V]\n\"2.5\", \"100\" ,-4\n1.5,150,-6\n"},
        {"other columns, other order", "n,ia,IS,va,VG\n1,2.5,0,+100,-4\n2,1.5,0,150,-6\n"},
        {"amperes", "Vg,Va,Ia (A)\n-4,100,0.0025\n-6,150,1.5e-3\n"},
        {"uTracer", "Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)\n"
                    "1  1  2.5  0  -4  100  300  6.3 \n  2 1 1.5 0 -6 150 300 6.3"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        const MeasuredPoints points = ReadMeasurements(text, "x");
        ASSERT_EQ(points.size(), 2u);
        ExpectPoint(points[0], -4, 100, 2.5);
        ExpectPoint(points[1], -6, 150, 1.5);
    }
}

TEST(Formats, BadFilesNameTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Vg,Ia\n-4,2\n", "x.csv:1: no column named Va"},
        {"\n\nfoo,bar\n", "x.csv:3: not a measurement file: expected a uTracer or uTmax table, or "
                          "a header line naming Vg, Va and Ia"},
        {"Vg,Va,Ia,Va\n", "x.csv:1: more than one column named Va"},
        {"Vg,Va (kV),Ia\n", "x.csv:1: unknown unit 'kV' for column Va"},
        {"Vg,Va,Ia\n1,2,3\n\n1,abc,3\n", "x.csv:4: 'abc' is not a number in column Va"},
        {"Vg,Va,Ia\n1,2,\n", "x.csv:2: '' is not a number in column Ia"},
        {"Vg,Va,Ia\n1,2,3,4\n", "x.csv:2: expected 3 columns, found 4"},
        {"Vg,Va,Ia\n1,2,3.5.6\n", "x.csv:2: '3.5.6' is not a number in column Ia"},
        {"Vg,Va,Ia\n1,inf,3\n", "x.csv:2: 'inf' is not a finite number in column Va"},
        {"Vg,Va,Ia\nnan,2,3\n", "x.csv:2: 'nan' is not a finite number in column Vg"},
        {"Vg,Va,Ia\n1,1e999,3\n", "x.csv:2: '1e999' is out of range in column Va"},
        {"Vg,Va,Ia\n1,\"2,3\n", "x.csv:2: a quote is not closed"},
        {"Vg,Va,Ia\n1,\"2\"x,3\n", "x.csv:2: text after the closing quote of a cell"},
        {"Vg,Va,Ia\n\n", "x.csv: no measured points"},
        {"", "x.csv: the file is empty"},
        {" \r\n\n", "x.csv: the file is empty"},
        {"Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)\n1 1 0.1 0 -4 50 300 6.3\n"
         "2 1 0.2 0 -4 60\n",
         "x.csv:3: expected 8 columns, found 6"},
        {"Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)\n1 1 0.1 0 -4 50 300 6.3V\n",
         "x.csv:2: '6.3V' is not a number in column Vf"},
        {"Data 2\nPoint\tCurve\tIa\tIs\tVg\tVa\tVs\tVf\n1\t1\t-1\t0\t0\t5\t5\t6.3\n",
         "x.csv: no measured points"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorFor(text), message) << text;
}

// Only a line of the eight names, each with at most its unit, heads a tracer table; the first
// line heading it is a uTracer file, whose negative currents are kept.
TEST(Formats, TracerHeaderIsTheNamesAndTheirUnits) {
    const char* const rows = "\n1 1 -0.01 0 -4 50 300 6.3\n2 1 0.5 0 -4 60 300 6.3\n";
    for (const char* header : {"Point Curve Ia Is Vg Va Vs Vf",
                               "  Point\tCurve Ia(mA) Is (mA) Vg(V) Va (V) Vs () Vf (V)  "}) {
        SCOPED_TRACE(header);
        const MeasuredPoints points = ReadMeasurements(std::string(header) + rows, "x");
        ASSERT_EQ(points.size(), 2u);
        ExpectPoint(points[0], -4, 50, -0.01);
    }
    const std::string notAFile = "x.csv:1: not a measurement file: expected a uTracer or uTmax "
                                 "table, or a header line naming Vg, Va and Ia";
    for (const char* header :
         {"(  Point Curve Ia (mA) ( Is (m Vg (V) Va (V) Vs (V) Vf (V)",
          "Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V) x",
          "Point Curve Ia (m A) Is Vg Va Vs Vf", "Point Curve Ia (mA) (mA) Is Vg Va Vs Vf",
          "Point Curve Ia(mA)Is Vg Va Vs Vf", "Point Curve Ia Is Vg Va Vs",
          "Points Curve Ia Is Vg Va Vs Vf"})
        EXPECT_EQ(ErrorFor(std::string(header) + rows), notAFile) << header;
}

TEST(Formats, AtMostOneHundredThousandPoints) {
    std::string text = "Vg,Va,Ia\n";
    for (std::size_t i = 0; i < kMaxMeasuredPoints; ++i)
        text += "-1,100,1\n";
    EXPECT_EQ(ReadMeasurements(text, "x.csv").size(), kMaxMeasuredPoints);
    text += "-1,100,1\n";
    EXPECT_EQ(ErrorFor(text), "x.csv:100002: more than 100000 measured points");
}

TEST(Formats, FileOverTenMegabytesIsRefused) {
    TempFolder folder;
    testing::WriteText(folder / "big.csv", "Vg,Va,Ia\n");
    std::filesystem::resize_file(folder / "big.csv", kMaxMeasurementFileBytes + 1);
    try {
        ReadMeasurementFile(folder / "big.csv");
        ADD_FAILURE() << "read a file over the limit";
    } catch (const MeasurementFileError& error) {
        EXPECT_EQ(std::string(error.what()), folder / "big.csv" +
                                                 ": the file is larger than 10 MB, too large for a "
                                                 "measurement file");
    }
    EXPECT_THROW(ReadMeasurementFile(folder / "none.csv"), FileError);
}

TEST(GridVoltages, DistinctMostPositiveFirst) {
    const MeasuredPoints points = {{-2, 1, 0}, {0, 1, 0},   {-0.5, 1, 0}, {-2, 5, 0},
                                   {3, 1, 0},  {NAN, 1, 0}, {-0.5, 9, 0}};
    EXPECT_EQ(MeasuredGridVoltages(points), (std::vector<double>{3, 0, -0.5, -2}));
    EXPECT_TRUE(MeasuredGridVoltages({}).empty());
}

} // namespace
} // namespace valvescope
