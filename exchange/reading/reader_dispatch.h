#pragma once
// The two stages of the exchange-line dispatch; ParseExchangeLine runs them in this order.
#include <array>

#include "exchange/reading/field_table.h"

// Every key of the exchange file starts with a letter or "#". A line whose field 0 starts
// with anything else is taken by no key: with four fields it is a bare line.
constexpr bool CanStartKey(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '#';
}

// Tests 1 to 31 of the dispatch: header, table, attribute, mode and indicated-point keys.
// True when one of them took the line; false hands it on to the entity stage.
bool ApplyHeaderLine(const FieldTable& fields);

// Tests 32 to 45: the entity lines, for lines that no key of the first stage has taken.
void ParseEntityLine(const FieldTable& fields);

// Test 45 itself, for a line of four fields that no earlier test takes: the four fields
// read as numbers.
using BareLineReals = std::array<double, 4>;
void ParseBareLine(const BareLineReals& reals);
