#include "store_fixture.h"

using namespace rv::store;
using namespace rv::store::testing;

namespace {

class SerialTest : public StoreBoth {};

} // namespace

TEST_P(SerialTest, NumbersAndDatesWithoutConversionNullAndTextAsNone)
{
    const QString id = QStringLiteral("650010004");
    makeReadings(id, {QStringLiteral("2005/01/01 18:00:00")});
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(id), conn);
    rs.setValue(QStringLiteral("zero1"), 2.5);
    rs.setValue(QStringLiteral("Plottemporal"), true);
    rs.update();
    rs.requery();
    const auto at = [&](const char* f) { return rs.serial(rs.fieldIndex(QString::fromLatin1(f))); };
    // 2005/01/01 is day 38353 of the serial that starts on 1899/12/30.
    EXPECT_EQ(at("FullDate"), 38353.75);
    EXPECT_EQ(at("ReadingDate"), 38353.0);
    EXPECT_EQ(at("zero1"), 2.5);
    EXPECT_EQ(at("Plottemporal"), 1.0);
    EXPECT_EQ(at("zero2"), std::nullopt);
    EXPECT_EQ(at("DateTimeKey"), std::nullopt);
    // An edit not yet written is read as it stands.
    rs.setValue(QStringLiteral("zero2"), -1.25);
    EXPECT_EQ(at("zero2"), -1.25);
    EXPECT_EQ(errorOf([&] { rs.serial(999); }), err::NoSuchField);
}

RV_ON_BOTH_ENGINES(SerialTest);
