// VARNODataVal: the tagged value in which response and dependent-variable
// values travel. Values travel as arrays closed by an end-of-list entry; an
// array's size is found by scanning for that entry.
#pragma once

#include <string>
#include <vector>

namespace varno::model {

enum DataValueType : int {
    dataNone = 0,
    dataInteger = 1,
    dataDouble = 2,
    dataText = 3,
    dataEndOfList = 4,
};

// One tagged value. Each kind of value has a field of its own, so a value of
// one type never reinterprets the storage of another: a read of the wrong
// type returns the requested field as it is stored (its default when it was
// never written), after a warning.
struct VARNODataVal {
    int set = 0;              // 1 when a value is present
    int dataType = dataNone;  // a DataValueType
    int empty = 0;            // 1 in empty entries
    int intValue = 0;
    double doubleValue = 0.0;
    std::string textValue;
};

using DataValueArray = std::vector<VARNODataVal>;

VARNODataVal emptyDataValue();
VARNODataVal endOfListValue();
VARNODataVal makeDoubleValue(double value);

// One empty entry closed by the end-of-list entry.
DataValueArray makeEmptyValueArray();

// A copy of one entry; an entry of unknown type becomes an empty entry.
VARNODataVal copyDataValue(const VARNODataVal& value);

// A copy of the entries before the end-of-list entry (as many as
// valueArraySize counts), closed by a new end-of-list entry.
DataValueArray copyValueArray(const DataValueArray& values);

// The number of entries before the end-of-list entry. Without such an entry
// a warning is logged and the size is 1.
int valueArraySize(const DataValueArray& values);

// Typed reads. Reading from an entry of another type logs a warning and
// returns the requested field as stored, without conversion.
double doubleValueOf(const VARNODataVal& value);
int intValueOf(const VARNODataVal& value);
const std::string& textValueOf(const VARNODataVal& value);

}  // namespace varno::model
