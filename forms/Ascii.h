#pragma once
// The ASCII facts every layer reads texts by: hexadecimal digits and the
// upper-casing of the form framework (ASCII letters only; every other byte,
// a Windows-1251 letter included, stays as it is).

namespace forms {

// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace forms
