#pragma once

#include "settings/options.h"

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QSize>

// Pictures as a picture field holds them: the bytes the user chose, shown the right way round.

// Pictures are turned by the orientation tag of their EXIF block: in JPEG and TIFF, in PNG's eXIf chunk and
// in WebP's EXIF chunk; HEIC/HEIF by their own rotation and mirror boxes.

// Whether the bytes hold a picture the program can show (JPEG, PNG, BMP, TIFF, WebP, HEIC/HEIF).
bool IsReadablePicture(const QByteArray &bytes);
// The picture as it is to be shown: turned by its orientation tag; decoded to fit `bound` when given
// (decoding at reduced size where the format allows, not decode-then-shrink). Null when unreadable.
QImage ShownPicture(const QByteArray &bytes, const QSize &bound = {});
// The size ShownPicture gives without a bound, read from the file's header; invalid when unreadable.
QSize ShownPictureSize(const QByteArray &bytes);
// What is stored for a picture the user chose or imported: the bytes unchanged, or - when the rule (the
// settings' picture tab) says to shrink pictures above a size - the picture turned upright, shrunk to the
// long side and written as JPEG of the rule's quality. HEIC/HEIF kept as the user's file (shown decoded).
QByteArray PictureAsStored(const QByteArray &chosen, const Options::PictureStoring &rule);
// The day the camera wrote into the picture's EXIF block (DateTimeOriginal); invalid when there is none.
QDate ExifDayTaken(const QByteArray &bytes);
