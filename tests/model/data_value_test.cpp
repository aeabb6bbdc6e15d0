#include "model/data_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study/study.h"
#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::logEntries;

class DataValueTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override { clearMessageLog(); }

    static VARNODataVal integerValue(int number) {
        VARNODataVal value;
        value.set = 1;
        value.dataType = dataInteger;
        value.intValue = number;
        return value;
    }

    static VARNODataVal textValue(const std::string& text) {
        VARNODataVal value;
        value.set = 1;
        value.dataType = dataText;
        value.textValue = text;
        return value;
    }
};

// ------------------------------------------------------------ construction

TEST_F(DataValueTest, EmptyArrayHoldsOneEmptyEntryAndTheEndEntry) {
    const DataValueArray values = makeEmptyValueArray();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].set, 0);
    EXPECT_EQ(values[0].dataType, 0);
    EXPECT_EQ(values[0].empty, 1);
    EXPECT_EQ(values[1].dataType, 4);
    EXPECT_EQ(valueArraySize(values), 1);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(DataValueTest, DoubleValueIsSetAndTyped) {
    const VARNODataVal value = makeDoubleValue(-2.5);
    EXPECT_EQ(value.set, 1);
    EXPECT_EQ(value.dataType, 2);
    EXPECT_EQ(value.empty, 0);
    EXPECT_DOUBLE_EQ(doubleValueOf(value), -2.5);
    EXPECT_TRUE(logEntries().empty());
}

// ------------------------------------------------------------------- size

TEST_F(DataValueTest, SizeCountsTheEntriesBeforeTheEndEntry) {
    const DataValueArray three = {makeDoubleValue(1.0), makeDoubleValue(2.0),
                                  makeDoubleValue(3.0), endOfListValue(),
                                  makeDoubleValue(9.0)};
    EXPECT_EQ(valueArraySize(three), 3);
    EXPECT_EQ(valueArraySize({endOfListValue()}), 0);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(DataValueTest, SizeWithoutEndEntryWarnsAndIsOne) {
    EXPECT_EQ(valueArraySize({makeDoubleValue(1.0), makeDoubleValue(2.0)}), 1);
    EXPECT_EQ(valueArraySize({}), 1);
    const std::string warning =
        "*WARNING\nCould not determine the size of a variable. Returning 1 for size.";
    EXPECT_EQ(logEntries(), (std::vector<std::string>{warning, warning}));
}

// ------------------------------------------------------------------ reads

TEST_F(DataValueTest, MatchingReadsGiveTheValueWithoutWarning) {
    EXPECT_EQ(intValueOf(integerValue(42)), 42);
    EXPECT_EQ(textValueOf(textValue("steel")), "steel");
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(DataValueTest, DoubleFromOtherTypesWarnsAndGivesTheStoredDoubleField) {
    VARNODataVal value = integerValue(7);
    value.doubleValue = 0.25;  // never converted from the integer
    EXPECT_DOUBLE_EQ(doubleValueOf(value), 0.25);
    EXPECT_DOUBLE_EQ(doubleValueOf(emptyDataValue()), 0.0);
    const std::string warning = "*WARNING\nRequesting a double value from a non-double data type";
    EXPECT_EQ(logEntries(), (std::vector<std::string>{warning, warning}));
}

TEST_F(DataValueTest, IntegerFromOtherTypesWarnsAndGivesTheStoredIntegerField) {
    EXPECT_EQ(intValueOf(makeDoubleValue(3.9)), 0);
    VARNODataVal text = textValue("12");
    EXPECT_EQ(intValueOf(text), 0);
    const std::string warning = "*WARNING\nRequesting an integer value from a non-int data type";
    EXPECT_EQ(logEntries(), (std::vector<std::string>{warning, warning}));
}

TEST_F(DataValueTest, TextFromNumericTypesWarns) {
    EXPECT_EQ(textValueOf(makeDoubleValue(1.5)), "");
    EXPECT_EQ(textValueOf(integerValue(1)), "");
    const std::string warning =
        "*WARNING\nRequesting an VARNOChar array value from a numeric data type";
    EXPECT_EQ(logEntries(), (std::vector<std::string>{warning, warning}));
}

TEST_F(DataValueTest, TextFromEmptyEntryIsNotANumericRead) {
    EXPECT_EQ(textValueOf(emptyDataValue()), "");
    EXPECT_TRUE(logEntries().empty());
}

// ----------------------------------------------------------------- copies

TEST_F(DataValueTest, CopyOfAnArrayIsDeepAndClosed) {
    DataValueArray original = {textValue("left"), integerValue(-3), makeDoubleValue(0.5),
                               endOfListValue()};
    DataValueArray copy = copyValueArray(original);
    original[0].textValue[0] = 'L';
    original[1].intValue = 99;

    ASSERT_EQ(copy.size(), 4u);
    EXPECT_EQ(copy[0].textValue, "left");
    EXPECT_EQ(copy[0].dataType, 3);
    EXPECT_EQ(copy[1].intValue, -3);
    EXPECT_DOUBLE_EQ(copy[2].doubleValue, 0.5);
    EXPECT_EQ(copy[3].dataType, 4);
    EXPECT_EQ(valueArraySize(copy), 3);
}

TEST_F(DataValueTest, CopyTurnsUnknownTypesIntoEmptyEntries) {
    VARNODataVal odd = makeDoubleValue(8.0);
    odd.dataType = 17;
    const VARNODataVal copied = copyDataValue(odd);
    EXPECT_EQ(copied.dataType, 0);
    EXPECT_EQ(copied.set, 0);
    EXPECT_EQ(copied.empty, 1);
    EXPECT_DOUBLE_EQ(copied.doubleValue, 0.0);

    odd.dataType = -1;
    EXPECT_EQ(copyDataValue(odd).empty, 1);
}

TEST_F(DataValueTest, CopyOfAnArrayWithoutEndEntryKeepsOneEntry) {
    const DataValueArray copy = copyValueArray({makeDoubleValue(1.0), makeDoubleValue(2.0)});
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_DOUBLE_EQ(copy[0].doubleValue, 1.0);
    EXPECT_EQ(copy[1].dataType, 4);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "*WARNING\nCould not determine the size of a variable. Returning 1 for size."}));

    const DataValueArray fromNothing = copyValueArray({});
    ASSERT_EQ(fromNothing.size(), 1u);
    EXPECT_EQ(fromNothing[0].dataType, 4);
}

}  // namespace
}  // namespace varno::model
