#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <span>

// The forms of the radio's answers: two command letters, fixed-width fields, an
// optional variable last field, and ";". Pure functions, no port.
namespace RadioAnswer {

struct Form
{
    const char *letters;
    std::span<const int> fixedWidths; // the fields before the variable one
    int lastMaxWidth;                 // the variable last field's widest; -1: there is none

    int minLength() const;
    int maxLength() const;
};

inline constexpr int MrWidths[] = {1, 1, 2, 11, 1, 1, 1, 2, 2, 3, 1, 1, 9, 2, 1}; // P1..P15, then P16 (0-8)
inline constexpr int ExWidths[] = {3, 2, 1, 1};                                   // P1..P4, then P5 (0-16)
inline constexpr int TyWidths[] = {2, 1};                                         // P1, P2

inline constexpr Form Mr{"MR", MrWidths, 8};  // 42 to 50 characters
inline constexpr Form Ex{"EX", ExWidths, 16}; // 10 to 26 characters
inline constexpr Form Ty{"TY", TyWidths, -1}; // exactly 6 characters

// Whether `text`, as received, is one whole answer of this form: the letters
// with their case, ";" last and nowhere else, and a length in range. Nothing is
// cut off the front.
bool accepts(QByteArrayView text, const Form &form);

// The fields of an accepted answer, one character per byte.
QStringList cut(QByteArrayView answer, const Form &form);

} // namespace RadioAnswer
