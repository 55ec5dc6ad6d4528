#include "RunCommand.h"

#include "app/basDeclares.h"

#include <string_view>

namespace {

struct Name {
    std::u16string_view name;
    std::u16string_view commandLine;
};

// Searched in this order; the misspelt MOSUE PROPERTIES is a name users know.
constexpr Name kNames[] = {
    {u"ACCESSIBILITY", u"control access.cpl"},
    {u"ACCESSIBILITY OPTIONS", u"control access.cpl"},
    {u"ADD OR REMOVE", u"control appwiz.cpl"},
    {u"ADD OR REMOVE PROGRAM", u"control appwiz.cpl"},
    {u"ADD OR REMOVE PROGRAMS", u"control appwiz.cpl"},
    {u"APPLICATION WIZARD", u"control appwiz.cpl"},
    {u"APPLICATION WIZARDS", u"control appwiz.cpl"},
    {u"DISPLAY PROPERTIES", u"control desk.cpl"},
    {u"DESKTOP PROPERTIES", u"control desk.cpl"},
    {u"ADD HARDWARE WIZARD", u"control sysdm.cpl add new hardware"},
    {u"ADD HARDWARE", u"control sysdm.cpl add new hardware"},
    {u"NEW HARDWARE", u"control sysdm.cpl add new hardware"},
    {u"ADD NEW HARDWARE", u"control sysdm.cpl add new hardware"},
    {u"INTERNET PROPERTIES", u"control inetcpl.cpl"},
    {u"IE PROPERTIES", u"control inetcpl.cpl"},
    {u"REGIONAL AND LANGUAGE OPTIONS", u"control intl.cpl"},
    {u"REGIONAL AND LANGUAGE", u"control intl.cpl"},
    {u"REGIONAL AND LANGUAGES", u"control intl.cpl"},
    {u"REGIONAL AND LANGUAGES SETTINGS", u"control intl.cpl"},
    {u"GAME CONTROLLER", u"control joy.cpl"},
    {u"JOYSTICK", u"control joy.cpl"},
    {u"MOUSE", u"control main.cpl"},
    {u"MOSUE PROPERTIES", u"control main.cpl"},
    {u"SOUND PROPERTIES", u"control mmsys.cpl sounds"},
    {u"AUDIO PROPERTIES", u"control mmsys.cpl sounds"},
    {u"SOUND", u"control mmsys.cpl sounds"},
    {u"AUDIO", u"control mmsys.cpl sounds"},
    {u"NETWORK PROPERTIES", u"control netcpl.cpl"},
    {u"SYSTEM PROPERTIES", u"control sysdm.cpl"},
    {u"MYCOMPUTER PROPERTIES", u"control sysdm.cpl"},
    {u"HOME PROPERTIES", u"control sysdm.cpl"},
    {u"DATE AND TIME PROPERTIES", u"control timedate.cpl"},
    {u"DATE AND TIME", u"control timedate.cpl"},
};
static_assert(std::size(kNames) == 33);

QString asciiUpper(const QString& text) {
    QString upper = text;
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return upper;
}

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

RunCommand RunCommand::resolve(const QString& strCommand) {
    const QString upper = asciiUpper(strCommand);
    const std::u16string_view typed(reinterpret_cast<const char16_t*>(upper.utf16()),
                                    static_cast<std::size_t>(upper.size()));
    for (const Name& entry : kNames)
        if (entry.name == typed)
            return {toQString(entry.commandLine), basDeclares::SW_SHOWMINIMIZED};
    return {strCommand, basDeclares::SW_SHOWNORMAL};
}
