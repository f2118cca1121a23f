#include "store/coltype.h"
#include "store/dberror.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace rv::store;

namespace {

int mismatch(const QVariant& v, ColType t)
{
    try {
        convertForColumn(v, t);
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

TEST(ColType, DeclaredNamesRoundTrip)
{
    for (ColType t : {ColType::Text, ColType::Double, ColType::Long, ColType::YesNo, ColType::Date, ColType::Time,
                      ColType::DateTime})
        EXPECT_EQ(fromDeclared(declaredName(t)), t);
    EXPECT_EQ(fromDeclared(QStringLiteral("varchar(20)")), ColType::Text);
}

TEST(ColType, ConversionsOfTypedTexts)
{
    EXPECT_EQ(convertForColumn(QStringLiteral("12.35"), ColType::Double), QVariant(12.35));
    EXPECT_EQ(convertForColumn(QStringLiteral(" -0.25 "), ColType::Double), QVariant(-0.25));
    EXPECT_EQ(convertForColumn(QStringLiteral("24"), ColType::Long), QVariant(qint64(24)));
    EXPECT_EQ(convertForColumn(2.5, ColType::Long), QVariant(qint64(2)));  // to the even neighbour
    EXPECT_EQ(convertForColumn(QStringLiteral("2005/01/31"), ColType::Date), QVariant(QDate(2005, 1, 31)));
    EXPECT_EQ(convertForColumn(QStringLiteral("#2005-01-31#"), ColType::Date), QVariant(QDate(2005, 1, 31)));
    EXPECT_EQ(convertForColumn(QStringLiteral("13:05:09"), ColType::Time), QVariant(QTime(13, 5, 9)));
    EXPECT_EQ(convertForColumn(QStringLiteral("2005/01/31 13:05:09"), ColType::DateTime),
              QVariant(QDateTime(QDate(2005, 1, 31), QTime(13, 5, 9))));
    EXPECT_EQ(convertForColumn(QDateTime(QDate(2005, 1, 31), QTime(13, 5)), ColType::Date), QVariant(QDate(2005, 1, 31)));
    EXPECT_EQ(convertForColumn(true, ColType::YesNo), QVariant(true));
    EXPECT_EQ(convertForColumn(QStringLiteral("False"), ColType::YesNo), QVariant(false));
    EXPECT_EQ(convertForColumn(0, ColType::YesNo), QVariant(false));
    EXPECT_EQ(convertForColumn(12.5, ColType::Text), QVariant(QStringLiteral("12.5")));
    EXPECT_EQ(convertForColumn(QStringLiteral(""), ColType::Text), QVariant(QStringLiteral("")));
}

TEST(ColType, EmptyAndNullClearNonTextColumns)
{
    for (ColType t : {ColType::Double, ColType::Long, ColType::YesNo, ColType::Date, ColType::Time, ColType::DateTime}) {
        EXPECT_FALSE(convertForColumn(QStringLiteral(""), t).isValid());
        EXPECT_FALSE(convertForColumn(QStringLiteral("  "), t).isValid());
        EXPECT_FALSE(convertForColumn(QVariant(), t).isValid());
    }
    EXPECT_FALSE(convertForColumn(QVariant(), ColType::Text).isValid());
}

TEST(ColType, UnconvertibleTextIsATypeMismatch)
{
    EXPECT_EQ(mismatch(QStringLiteral("abc"), ColType::Double), err::TypeMismatch);
    EXPECT_EQ(mismatch(QStringLiteral("1,23"), ColType::Double), err::TypeMismatch);
    EXPECT_EQ(mismatch(QStringLiteral("12:00"), ColType::Date), err::TypeMismatch);
    EXPECT_EQ(mismatch(QStringLiteral("2005/01/01"), ColType::Time), err::TypeMismatch);
    EXPECT_EQ(mismatch(QStringLiteral("2005/02/30"), ColType::DateTime), err::TypeMismatch);
    EXPECT_EQ(mismatch(QStringLiteral("perhaps"), ColType::YesNo), err::TypeMismatch);
    EXPECT_EQ(mismatch(QDate(2005, 1, 1), ColType::Double), err::TypeMismatch);
}
