// The settings of a project as plain typed data, taken once from the settings table when a
// run or an upload starts. Each field is named after its key; the table ties the two.
#pragma once

#include "gallery/valueforms.h"

#include <QString>

struct ProjectSettings
{
    bool picDatBez = false;        // a picture without caption is captioned with its file name
    int tnWidth = 0, tnHeight = 0; // small picture box, 0 = automatic
    QString tnPraefix;
    bool picModifi = false;          // stored only
    int picWidth = 0, picHeight = 0; // large picture box, 0 = automatic
    QString picPraefix;
    int qual = 0;                      // JPEG quality
    int hell = 0, kontr = 0, satt = 0; // brightness, contrast, saturation
    int red = 0, green = 0, blue = 0;  // tone shift
    bool black = false, old = false;   // greyscale, old-photo look
    QString bildText;                  // text stamped into every picture, empty = none
    int bildTextH = 0, bildTextV = 0;  // choice positions
    int bildTextL = 0, bildTextT = 0;  // offsets in pixels
    FontSpec bildFont;
    QString wzImage; // logo picture, empty = none
    int wzH = 0, wzV = 0, wzL = 0, wzT = 0, wzTrans = 0, wzSize = 0;
    QString titel;
    int bgColor = 0; // 0x00BBGGRR
    FontSpec titelFont, font, naviFont;
    QString vorIndex, vorBild; // user templates, empty = built-in
    int col = 0, row = 0, rahmen = 0;
    QString pPrior, pIndex, pNext, pTrenn; // navigation texts or picture files
    QString index;                         // file name of the first index page
    QString tnPath, picPath;               // sub-folders, empty = target folder
    bool newNum = false, cdImage = false;
    QString ziel; // target folder
    QString ftpServer, ftpUser, ftpPath;
    int ftpTls = 0; // FtpTlsMode: 0 TLS if available, 1 TLS required, 2 plain FTP
    // Reduce pictures by filtering in linear light (and convert embedded colour profiles to
    // sRGB) rather than by point sampling.
    bool smoothScale = false;
    // Pages for phones and HiDPI screens: HTML5 pages that fit the screen's width, and
    // double-size pictures offered through srcset.
    bool mobilePages = false;
};
