#pragma once

#include <QLocale>

// Makes `locale` the default for the scope of a test and restores the one before, so a test's
// locale never leaks into the next.
class ScopedDefaultLocale
{
public:
    explicit ScopedDefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(saved_); }
    ScopedDefaultLocale(const ScopedDefaultLocale &) = delete;
    ScopedDefaultLocale &operator=(const ScopedDefaultLocale &) = delete;

private:
    const QLocale saved_;
};
