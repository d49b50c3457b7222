#pragma once
// The stages of the exchange-line dispatch, shared by the reader's source files.
#include "exchange/exchange_reader.h"

// Tests 1 to 31 of the dispatch: header, table, attribute, mode and indicated-point keys.
// True when one of them took the line; false hands it on to the entity stage.
bool ApplyHeaderLine(const FieldTable& fields);
