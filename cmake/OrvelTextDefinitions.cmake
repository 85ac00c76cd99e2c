# Text conversions must be explicit everywhere: no implicit ASCII/byte-array casts to or from
# QString, no QUrl from a bare string, and '+' on strings builds lazily.
add_compile_definitions(
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER)
