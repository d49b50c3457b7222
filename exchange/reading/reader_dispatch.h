#pragma once
// The two stages of the exchange-line dispatch; ParseExchangeLine runs them in this order.
#include <array>

#include "exchange/reading/field_table.h"

// Every key of the exchange file starts with a letter or "#". A line whose field 0 starts
// with anything else is taken by no key: with four fields it is a bare line.
constexpr bool CanStartKey(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '#';
}

// The first stage: the drawing's file name, then the header, table, attribute, mode and
// indicated-point keys.
// True when one of them took the line; false hands it on to the entity stage.
bool ApplyHeaderLine(const FieldTable& fields);

// The second stage: the entity lines (the keyed ones, then the bare line), for lines that
// no key of the first stage has taken.
void ParseEntityLine(const FieldTable& fields);

// The bare line itself, for a line of four fields that no key takes: the four fields read
// as numbers.
using BareLineReals = std::array<double, 4>;
void ParseBareLine(const BareLineReals& reals);
