#pragma once

#include <QByteArrayView>

// Reads the number at the start of a record field: optional sign, digits, optional "." and
// fraction, optional exponent. "." is the decimal point whatever the locale. Blanks, tabs and
// line feeds are skipped wherever they stand ("1 2.5" reads 12.5); reading stops at the first
// character that cannot continue the number (the CR that ends a line, trailing text). A field
// that does not begin with a number reads 0.
double readNumber(QByteArrayView field);
