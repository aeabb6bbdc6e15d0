// Tagged values and the arrays, closed by an end-of-list entry, they travel in.
#include "model/data_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::logEntries;
using Log = std::vector<std::string>;

class DataValueTest : public varno::testing::WithoutStudy {};

TEST_F(DataValueTest, ArraysEndAtTheEndEntryAndReadsOfAnotherTypeWarn) {
    VARNODataVal odd = makeDoubleValue(8.0);
    odd.dataType = 17;
    DataValueArray values = {VARNODataVal{1, dataText, 0, 0, 0.0, "left"}, odd, endOfListValue(),
                             makeDoubleValue(9.0)};
    EXPECT_EQ(valueArraySize(values), 2);
    EXPECT_EQ(valueArraySize(makeEmptyValueArray()), 1);
    EXPECT_EQ(valueArraySize({endOfListValue()}), 0);
    const DataValueArray copy = copyValueArray(values);
    values[0].textValue[0] = 'L';
    ASSERT_EQ(copy.size(), 3u);
    EXPECT_EQ(copy[0].textValue, "left");
    EXPECT_EQ((std::vector<int>{copy[1].dataType, copy[1].set, copy[1].empty}),
              (std::vector<int>{dataNone, 0, 1}));
    EXPECT_EQ(copy[2].dataType, dataEndOfList);

    const DataValueArray unclosed = copyValueArray({makeDoubleValue(1.0), makeDoubleValue(2.0)});
    ASSERT_EQ(unclosed.size(), 2u);
    EXPECT_EQ(unclosed[1].dataType, dataEndOfList);
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\nCould not determine the size of a variable. Returning 1 for size."});
    // Reads of another type warn and give the stored field.
    clearMessageLog();
    VARNODataVal seven{1, dataInteger, 0, 7, 0.25, ""};  // the double never converted from 7
    EXPECT_EQ(intValueOf(seven), 7);
    EXPECT_EQ(doubleValueOf(makeDoubleValue(-2.5)), -2.5);
    EXPECT_EQ(textValueOf(emptyDataValue()), "") << "an empty entry is no numeric read";
    EXPECT_TRUE(logEntries().empty());
    EXPECT_EQ(doubleValueOf(seven), 0.25);
    EXPECT_EQ(intValueOf(VARNODataVal{1, dataText, 0, 0, 0.0, "12"}), 0);
    EXPECT_EQ(textValueOf(makeDoubleValue(1.5)) + textValueOf(seven), "");
    EXPECT_EQ(logEntries(),
              (Log{"*WARNING\nRequesting a double value from a non-double data type",
                   "*WARNING\nRequesting an integer value from a non-int data type",
                   "*WARNING\nRequesting an VARNOChar array value from a numeric data type",
                   "*WARNING\nRequesting an VARNOChar array value from a numeric data type"}));
}

}  // namespace
}  // namespace varno::model
