#pragma once

#include <QObject>
#include <QtTest>

// The child of `parent` with the given object name. A missing child fails the running test with
// its name and hands back a detached stand-in, so the test ends normally instead of the whole
// binary stopping on a null pointer. (The stand-in is never freed: it exists only in a test
// that has already failed.) A stand-in of a type whose constructor takes arguments comes from a
// specialisation of makeStandIn.
template <typename T> T *makeStandIn()
{
    return new T;
}

template <typename T> T *child(QObject *parent, const char *name)
{
    if (T *found = parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr)
        return found;
    QTest::qFail(qPrintable(QStringLiteral("no %1 named \"%2\"")
                                .arg(QString::fromLatin1(T::staticMetaObject.className()),
                                     QString::fromLatin1(name))),
                 __FILE__, __LINE__);
    return makeStandIn<T>();
}
