#include "model/data_value.h"

#include <algorithm>

#include "frame/message_writer.h"

namespace varno::model {

namespace {

bool isKnownType(int dataType) { return dataType >= dataNone && dataType <= dataEndOfList; }

void warn(const char* text) { writeMessage("outptr", "warning", text); }

}  // namespace

VARNODataVal emptyDataValue() {
    VARNODataVal value;
    value.empty = 1;
    return value;
}

VARNODataVal endOfListValue() {
    VARNODataVal value;
    value.dataType = dataEndOfList;
    return value;
}

VARNODataVal makeDoubleValue(double number) {
    VARNODataVal value;
    value.set = 1;
    value.dataType = dataDouble;
    value.doubleValue = number;
    return value;
}

DataValueArray makeEmptyValueArray() { return {emptyDataValue(), endOfListValue()}; }

VARNODataVal copyDataValue(const VARNODataVal& value) {
    return isKnownType(value.dataType) ? value : emptyDataValue();
}

DataValueArray copyValueArray(const DataValueArray& values) {
    const std::size_t count =
        std::min(static_cast<std::size_t>(valueArraySize(values)), values.size());
    DataValueArray copy;
    copy.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) copy.push_back(copyDataValue(values[i]));
    copy.push_back(endOfListValue());
    return copy;
}

int valueArraySize(const DataValueArray& values) {
    const auto end = std::find_if(values.begin(), values.end(), [](const VARNODataVal& value) {
        return value.dataType == dataEndOfList;
    });
    if (end == values.end()) {
        warn("Could not determine the size of a variable. Returning 1 for size.");
        return 1;
    }
    return static_cast<int>(end - values.begin());
}

double doubleValueOf(const VARNODataVal& value) {
    if (value.dataType != dataDouble) {
        warn("Requesting a double value from a non-double data type");
    }
    return value.doubleValue;
}

int intValueOf(const VARNODataVal& value) {
    if (value.dataType != dataInteger) {
        warn("Requesting an integer value from a non-int data type");
    }
    return value.intValue;
}

const std::string& textValueOf(const VARNODataVal& value) {
    if (value.dataType == dataInteger || value.dataType == dataDouble) {
        warn("Requesting an VARNOChar array value from a numeric data type");
    }
    return value.textValue;
}

}  // namespace varno::model
