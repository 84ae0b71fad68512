#pragma once
// Pictures of the program for the manual, made by the program itself: the window and its
// dialogs opened offscreen, on the simulated programmer, and grabbed to PNG.

#include <QString>
#include <QStringList>

#include "messages/message_catalogue.h"

class QApplication;

namespace kx::manual {

// Pictures are grabbed at twice the screen's pixel density so that they stay sharp in
// print; the manual shows them at their size on the screen.
inline constexpr int kPicturePixelsPerPoint = 2;

// The files TakePictures makes; every manual shows each of them.
QStringList PictureNames();

// Makes the pictures in `language` into `folder` (which must exist), with the window's
// start-up translations of that language installed meanwhile. False with `error` set when
// one could not be made.
bool TakePictures(QApplication& app, UiLanguage language, const QString& folder, QString* error);

}  // namespace kx::manual
