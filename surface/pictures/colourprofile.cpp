// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "colourprofile.h"

#include <lcms2.h>
#include <lcms2_plugin.h>
#include <zlib.h>

#include <cstdlib>

namespace {

// The largest embedded profile read: CMYK printer profiles run to a few megabytes.
constexpr qsizetype MaxProfileBytes = 16 * 1024 * 1024;

// The most Little CMS may take at once while it reads a profile. Its own limit is 512 MB, and the
// tables of a profile of a few kilobytes can claim much of it (fuzzing met one after which the
// process held 316 MB more); a profile's data never needs more than twice the largest profile.
constexpr cmsUInt32Number MaxLcmsAllocation = 2 * MaxProfileBytes;

extern "C" {
static void *lcmsMalloc(cmsContext, cmsUInt32Number size)
{
    return size > MaxLcmsAllocation ? nullptr : std::malloc(size);
}
static void lcmsFree(cmsContext, void *memory)
{
    std::free(memory);
}
static void *lcmsRealloc(cmsContext, void *memory, cmsUInt32Number size)
{
    return size > MaxLcmsAllocation ? nullptr : std::realloc(memory, size);
}
}

cmsPluginMemHandler boundedMemory{{cmsPluginMagicNumber, LCMS_VERSION, cmsPluginMemHandlerSig, nullptr},
                                  lcmsMalloc,
                                  lcmsFree,
                                  lcmsRealloc,
                                  nullptr,
                                  nullptr,
                                  nullptr};

// The size the profile's header gives must be the size it has: a reader that takes either one
// finds tags outside the other.
bool sizeFits(QByteArrayView profile)
{
    return profile.size() >= 132 && profile.size() <= MaxProfileBytes &&
           qsizetype(quint32(uchar(profile[0])) << 24 | quint32(uchar(profile[1])) << 16 |
                     quint32(uchar(profile[2])) << 8 | quint32(uchar(profile[3]))) == profile.size();
}

// A Little CMS context with bounded memory and no error log (its complaints are the answer, not
// messages), and the connection space's profile in it.
struct Lcms
{
    cmsContext context = cmsCreateContext(&boundedMemory, nullptr);
    cmsHPROFILE xyz = nullptr;
    Lcms()
    {
        if (!context)
            return;
        cmsSetLogErrorHandlerTHR(context, nullptr);
        xyz = cmsCreateXYZProfileTHR(context);
    }
    ~Lcms()
    {
        if (xyz)
            cmsCloseProfile(xyz);
        if (context)
            cmsDeleteContext(context);
    }
    Lcms(const Lcms &) = delete;
    Lcms &operator=(const Lcms &) = delete;
};

// Each thread has its own context and connection space profile, made once: pictures are proven
// on worker threads.
const Lcms &threadLcms()
{
    static thread_local const Lcms lcms;
    return lcms;
}

// The components of an open profile's data colour space (1, 3 or 4) where it describes colours
// that are seen or printed (an input, display, output or colour space profile); 0 otherwise.
int componentsOf(cmsHPROFILE profile)
{
    int components = 0;
    switch (cmsGetColorSpace(profile)) {
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
    switch (cmsGetDeviceClass(profile)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
        return components;
    default:
        return 0;
    }
}

// Whether the half of a transform to sRGB that depends on the profile, from it to the connection
// space, can be built. A profile that opens may still be unusable (a truncated or overlapping tag,
// a table that does not add up): only building a transform, as a reader of the document does to
// sRGB, reads what it needs of it. It is built without optimising it: the other half is sRGB's own
// and always builds, and building it would cost ten times as much (0.45 ms against 0.04 ms for an
// RGB profile).
bool buildsTransform(const Lcms &lcms, cmsHPROFILE profile, int components)
{
    const cmsUInt32Number input = components == 1   ? TYPE_GRAY_DBL
                                  : components == 3 ? TYPE_RGB_DBL
                                                    : TYPE_CMYK_DBL;
    cmsHTRANSFORM const transform =
        cmsCreateTransformTHR(lcms.context, profile, input, lcms.xyz, TYPE_XYZ_DBL,
                              INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    if (!transform)
        return false;
    cmsDeleteTransform(transform);
    return true;
}

} // namespace

int profileComponents(QByteArrayView profile)
{
    if (!sizeFits(profile))
        return 0;
    const Lcms &lcms = threadLcms();
    if (!lcms.xyz)
        return 0;
    cmsHPROFILE const handle =
        cmsOpenProfileFromMemTHR(lcms.context, profile.data(), cmsUInt32Number(profile.size()));
    if (!handle)
        return 0;
    int components = componentsOf(handle);
    if (components > 0 && !buildsTransform(lcms, handle, components))
        components = 0;
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
