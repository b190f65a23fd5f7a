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
    if (profile.size() < 132 || profile.size() > MaxProfileBytes)
        return 0;
    cmsHPROFILE const handle = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
    if (!handle)
        return 0;
    int components = 0;
    switch (cmsGetColorSpace(handle)) {
    case cmsSigGrayData:
        components = 1;
        break;
    case cmsSigRgbData:
        components = 3;
        break;
    case cmsSigCmykData:
        components = 4;
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
    cmsCloseProfile(handle);
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
