#pragma once

#include <QLocale>
#include <QString>

// The window's texts by number (101 to 154), in English or Japanese. The language
// is picked once, from the user's locale, and never changes while running.
class StringTable
{
public:
    enum class Language { English, Japanese };

    explicit StringTable(Language language = systemLanguage()) : m_language(language) {}

    Language language() const { return m_language; }

    // The text of entry `id`; an empty text for a number the table does not hold.
    QString text(int id) const;
    QString operator()(int id) const { return text(id); }

    static Language languageOf(const QLocale &locale);
    static Language systemLanguage() { return languageOf(QLocale::system()); }

private:
    Language m_language;
};

// Numbers of the entries, named where the window refers to them.
namespace Txt {
inline constexpr int IdleAction = 101;
inline constexpr int MenuFirmware = 102;
inline constexpr int MenuSettings = 103;
inline constexpr int MenuAbout = 105;
inline constexpr int MenuUser = 106;
inline constexpr int MenuAdjust = 107;
inline constexpr int MenuSettingsWrite = 108;
inline constexpr int MenuSettingsRead = 109;
inline constexpr int IdleInstruction = 110;
inline constexpr int SelectFirmware = 111;
inline constexpr int SetFirmwareMode = 112;
inline constexpr int Cancel = 115;
inline constexpr int AdjustCaution = 117;
inline constexpr int UserAction = 118;
inline constexpr int AdjustAction = 119;
inline constexpr int SettingsWriteAction = 120;
inline constexpr int SettingsReadAction = 121;
inline constexpr int SelectSavedFile = 122;
inline constexpr int TurnOnRadio = 123;
inline constexpr int SelectFile = 129;
inline constexpr int MenuOption = 131;
inline constexpr int MenuSerialPort = 132;
inline constexpr int MenuCom1 = 133;
inline constexpr int MenuCom2 = 134;
inline constexpr int MenuUsage = 135;
inline constexpr int HelpPage = 136;
inline constexpr int SettingsReadButton = 137;
inline constexpr int SettingsWriteButton = 138;
inline constexpr int ReadFromRadio = 139;
inline constexpr int WriteToRadio = 140;
inline constexpr int DefaultType = 142;
inline constexpr int PartNumber = 144;
inline constexpr int SettingsReadArmed = 145;
inline constexpr int SettingsWriteArmed = 146;
inline constexpr int SettingsReading = 147;
inline constexpr int SettingsWriting = 148;
inline constexpr int PreparingAdjust = 149;
inline constexpr int PreparingUser = 150;
inline constexpr int FirmwareArmed = 151;
inline constexpr int WritingAdjust = 152;
inline constexpr int WritingUser = 153;
inline constexpr int PreparingSettings = 154;
} // namespace Txt
