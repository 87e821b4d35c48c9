# Warnings and Qt's safety defines shared by every target.
add_library(quarnel_common INTERFACE)
target_compile_options(quarnel_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor
                                                -Woverloaded-virtual -Wcast-qual)
target_compile_definitions(quarnel_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER
  QT_STRICT_ITERATORS
)
