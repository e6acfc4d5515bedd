// The program's own pictures, compiled into the program from resources/.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program icon (window icons of the main window and the notes dialog).
QIcon ProgramIcon();

// The publisher's emblem, at the size it was drawn; windows stretch it to their box.
QPixmap PublisherLogo();

// The title-bar button's picture: a white lower-case "i" on a blue 16 x 16 square.
QImage InfoGlyph();
