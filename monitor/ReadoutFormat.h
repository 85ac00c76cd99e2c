#pragma once

#include <QLocale>
#include <QString>

// The cursor readout's number format "##0.0": at least one integer digit, exactly one decimal,
// a leading minus when negative, the locale's decimal separator and no group separators. The
// number is rounded as it was received: its shortest decimal form is rounded half away from
// zero, so 1.05 gives 1.1 although the double just below 1.05 is stored.
QString formatOneDecimal(double value, const QLocale &locale = QLocale());
