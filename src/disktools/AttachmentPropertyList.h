#pragma once

#include "disktools/AttachedImage.h"

#include <string>
#include <vector>

// The XML property lists the disk-image tool prints with -plist, in the shape the app reads:
// each attachment lists its volumes under "system-entities", each with "mount-point" and
// "dev-entry"; the listing of all attachments is an "images" array whose entries add "image-path".
class AttachmentPropertyList
{
public:
    // The answer to an attach: the root holds the attached volume's "system-entities".
    static std::string forAttach(const AttachedImage& image);

    // The answer to info: one "images" entry per mounted volume, in the given order.
    static std::string forInfo(const std::vector<AttachedImage>& images);
};
