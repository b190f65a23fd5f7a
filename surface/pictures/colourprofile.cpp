// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "colourprofile.h"

#include <lcms2.h>
#include <zlib.h>

namespace {

// The largest embedded profile read: CMYK printer profiles run to a few megabytes.
constexpr qsizetype MaxProfileBytes = 16 * 1024 * 1024;

} // namespace

int profileComponents(QByteArrayView profile)
{
    // The size the profile's header gives must be the size it has: a reader that takes either
    // one finds tags outside the other.
    if (profile.size() < 132 || profile.size() > MaxProfileBytes ||
        qsizetype(quint32(uchar(profile[0])) << 24 | quint32(uchar(profile[1])) << 16 |
                  quint32(uchar(profile[2])) << 8 | quint32(uchar(profile[3]))) != profile.size())
        return 0;
    cmsContext const context = cmsCreateContext(nullptr, nullptr);
    if (!context)
        return 0;
    cmsSetLogErrorHandlerTHR(context, nullptr); // its complaints are the answer, not messages
    cmsHPROFILE const handle =
        cmsOpenProfileFromMemTHR(context, profile.data(), cmsUInt32Number(profile.size()));
    if (!handle) {
        cmsDeleteContext(context);
        return 0;
    }
    int components = 0;
    cmsUInt32Number format = 0;
    switch (cmsGetColorSpace(handle)) {
    case cmsSigGrayData:
        components = 1;
        format = TYPE_GRAY_8;
        break;
    case cmsSigRgbData:
        components = 3;
        format = TYPE_RGB_8;
        break;
    case cmsSigCmykData:
        components = 4;
        format = TYPE_CMYK_8;
        break;
    default:
        break;
    }
    switch (cmsGetDeviceClass(handle)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
        break;
    default:
        components = 0;
        break;
    }
    // A profile that opens may still be unusable (a truncated or overlapping tag, a table that
    // does not add up): only building a transform to sRGB, as a reader of the document does,
    // reads what it needs of it. Without optimising it, which would cost milliseconds.
    if (components > 0) {
        cmsHPROFILE const srgb = cmsCreate_sRGBProfileTHR(context);
        cmsHTRANSFORM const transform =
            srgb ? cmsCreateTransformTHR(context, handle, format, srgb, TYPE_RGB_8,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE)
                 : nullptr;
        if (!transform)
            components = 0;
        else
            cmsDeleteTransform(transform);
        if (srgb)
            cmsCloseProfile(srgb);
    }
    cmsCloseProfile(handle);
    cmsDeleteContext(context);
    return components;
}

bool profileFits(QByteArrayView profile, int components)
{
    return components > 0 && profileComponents(profile) == components;
}

QByteArray inflateProfile(QByteArrayView compressed)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    QByteArray profile;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.data()));
    stream.avail_in = uInt(compressed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (profile.size() >= MaxProfileBytes) {
            status = Z_BUF_ERROR;
            break;
        }
        const qsizetype done = profile.size();
        profile.resize(std::min<qsizetype>(MaxProfileBytes, std::max<qsizetype>(4096, done * 2)));
        stream.next_out = reinterpret_cast<Bytef *>(profile.data() + done);
        stream.avail_out = uInt(profile.size() - done);
        status = inflate(&stream, Z_NO_FLUSH);
        profile.resize(profile.size() - qsizetype(stream.avail_out));
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
            status = Z_BUF_ERROR; // the data ends before the stream does
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? profile : QByteArray();
}
