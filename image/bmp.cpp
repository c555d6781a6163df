// Loading a picture of the show: the decoder on the file, and the one message the
// user sees when it fails.
#include "image/bmp.h"

#include "platform/data_folder.h"
#include "platform/platform.h"

void ShowBmpMessage(BmpStatus status, const char* path) {
    if (status == BmpStatus::OK) return;
    char text[BMP_MESSAGE_SIZE];
    FormatBmpMessage(status, path, text);
    ShowMessage(text, MessageIcon::NONE);
}

RgbImage* LoadBmpImage(const char* path) {
    RgbImage* image = nullptr;
    const BmpStatus status = ReadBmpFile(NativePath(path).c_str(), &image);
    ShowBmpMessage(status, path);
    return image;
}
