#pragma once
// The window's look: its fonts and the pictures on its buttons.
#include <QFont>
#include <QIcon>
#include <QString>

class QAbstractButton;

namespace tabrin::app {

// Adds the program's font aliases (tabrin-fonts.conf, built in) to
// fontconfig's current configuration, in memory: "細明體" and "新細明體"
// become the packaged AR PL UMing TW, Arial becomes Liberation Sans.  Call
// once, before the first window.  Returns false when fontconfig refused them.
bool InstallFontAliases();

// The caption font of the command buttons: "細明體", 9 points.
QFont CaptionFont();

// One of the built-in pictures ("connect", "settings", "exit", "open",
// "import", "export", "ok", "cancel"), drawn from its SVG at 32 pixels.  The
// disabled look is the style's generated grey version of it.
QIcon Picture(const QString& name);

// The look shared by the window's fifteen command buttons and the settings
// dialog's two: caption font in navy, picture above or beside the caption.
void StyleCommandButton(QAbstractButton& button, const QString& caption, const QString& picture);

}  // namespace tabrin::app
