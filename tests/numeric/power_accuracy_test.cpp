// Accuracy of integer powers z^k against reference values computed from the
// exact double bases (tools/generate_power_references.py). Errors are
// normwise, in units of 2^-53; the standard library's pow on the same
// points is printed beside ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>

#include "numeric/elementary.h"
#include "support/data_file.h"
#include "support/log_recorder.h"

namespace {

constexpr double kUnit = 1.1102230246251565e-16;  // 2^-53

double ErrorInUnits(const CComplex& value, const CComplex& reference)
{
    const double size = std::abs(reference);
    return std::abs(value - reference) / (size == 0 ? 1.0 : size) / kUnit;
}

struct SWorst {
    double error = 0;
    int line = 0;

    void Take(double e, int at)
    {
        if (!(e <= error)) {
            error = e;
            line = at;
        }
    }
};

TEST(PowerAccuracy, IntegerPowersOnTheReferenceGrid)
{
    SWorst realOurs, realLibrary, complexOurs, complexLibrary, complexPerSquaring;
    int realCount = 0;
    int complexCount = 0;
    for (const CDataCase& c : ReadDataFile("power_references.txt")) {
        ASSERT_EQ(c.fields.size(), 5u) << "power_references.txt:" << c.line;
        const CComplex z(std::strtod(c.fields[0].c_str(), nullptr), std::strtod(c.fields[1].c_str(), nullptr));
        const double k = std::strtod(c.fields[2].c_str(), nullptr);
        const CComplex reference(std::strtod(c.fields[3].c_str(), nullptr), std::strtod(c.fields[4].c_str(), nullptr));
        CLogRecorder log;
        CComplex value;
        {
            COperationScope scope(CurrentRunState(), Power);
            value = CalcPower(z, CComplex(k, 0.0));
        }
        ASSERT_TRUE(CurrentRunState().continueFlag) << "power_references.txt:" << c.line << "\n" << log.Lines();
        EXPECT_TRUE(log.messages.empty()) << "power_references.txt:" << c.line << "\n" << log.Lines();
        const double error = ErrorInUnits(value, reference);
        if (z.imag() == 0) {
            ++realCount;
            const double library = ErrorInUnits(CComplex(std::pow(z.real(), k), 0.0), reference);
            realOurs.Take(error, c.line);
            realLibrary.Take(library, c.line);
            // As close as the library's real power, which rounds correctly
            // but for rare cases.
            EXPECT_LE(error, std::max(library, 1.0)) << "power_references.txt:" << c.line;
        } else {
            ++complexCount;
            const double squarings = std::max(1.0, std::log2(std::fabs(k)));
            complexOurs.Take(error, c.line);
            complexPerSquaring.Take(error / squarings, c.line);
            complexLibrary.Take(ErrorInUnits(std::pow(z, k), reference), c.line);
            EXPECT_LE(error, 4 * squarings) << "power_references.txt:" << c.line;
        }
    }
    std::printf("real bases (%d):    ours %.3g units (line %d)   std::pow %.3g units (line %d)\n", realCount,
                realOurs.error, realOurs.line, realLibrary.error, realLibrary.line);
    std::printf("complex bases (%d): ours %.3g units (line %d), %.3g units per log2 k (line %d)   "
                "std::pow %.3g units (line %d)\n",
                complexCount, complexOurs.error, complexOurs.line, complexPerSquaring.error, complexPerSquaring.line,
                complexLibrary.error, complexLibrary.line);
    EXPECT_GT(realCount, 100);
    EXPECT_GT(complexCount, 500);
}

}  // namespace
