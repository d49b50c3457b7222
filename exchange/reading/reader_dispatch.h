#pragma once
// The two stages of the exchange-line dispatch; ParseExchangeLine runs them in this order.
#include <array>

#include "exchange/reading/field_table.h"

// Tests 1 to 31 of the dispatch: header, table, attribute, mode and indicated-point keys.
// True when one of them took the line; false hands it on to the entity stage.
bool ApplyHeaderLine(const FieldTable& fields);

// Tests 32 to 45: the entity lines, for lines that no key of the first stage has taken.
void ParseEntityLine(const FieldTable& fields);

// Test 45 itself, for a line of four fields that no earlier test takes: the four fields
// read as numbers.
using BareLineReals = std::array<double, 4>;
void ParseBareLine(const BareLineReals& reals);
