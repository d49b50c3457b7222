#pragma once
// A digest of everything the reader stores in the exchange state, for comparing two readings
// of the same bytes (line by line, in batches, from a file) bit for bit. Used by the reader
// tests and the exchange fuzzer.
#include <string>

// The whole exchange state as bytes; equal digests mean equal states, down to the bits of
// every real.
std::string DescribeState();
