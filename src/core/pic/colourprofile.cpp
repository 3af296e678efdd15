// Embedded colour profiles converted to sRGB through lcms2.
#include "colourprofile.h"

#include <lcms2.h>

namespace {

// lcms reports a damaged profile through its log handler as well as by failing; the failure
// is what we act on, so the log stays quiet (the run names the picture instead).
void quietLog(cmsContext, cmsUInt32Number, const char*)
{
}

const bool g_quietLog = [] {
    cmsSetLogErrorHandler(quietLog);
    return true;
}();

struct ProfileCloser
{
    void operator()(void* profile) const
    {
        if (profile)
            cmsCloseProfile(profile);
    }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

bool isSrgb(cmsHPROFILE profile)
{
    char text[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    return QByteArray(text).contains("sRGB");
}

} // namespace

std::unique_ptr<ProfileConversion> ProfileConversion::from(const QByteArray& icc, QString* warning)
{
    Q_UNUSED(g_quietLog);
    if (icc.isEmpty())
        return nullptr;
    const auto unusable = [warning] {
        if (warning)
            *warning = QStringLiteral("Das eingebettete Farbprofil kann nicht gelesen werden; "
                                      "die Farben bleiben unverändert");
        return nullptr;
    };
    const Profile source(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (!source)
        return unusable();
    if (cmsGetColorSpace(source.get()) != cmsSigRgbData || isSrgb(source.get()))
        return nullptr;
    const Profile srgb(cmsCreate_sRGBProfile());
    // No cache: a transform without one may be used by several threads; each decoder has its
    // own anyway.
    cmsHTRANSFORM transform = cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    if (!transform)
        return unusable();
    return std::unique_ptr<ProfileConversion>(new ProfileConversion(transform));
}

ProfileConversion::~ProfileConversion()
{
    cmsDeleteTransform(m_transform);
}

void ProfileConversion::convertRow(unsigned char* rgb, int pixels) const
{
    cmsDoTransform(m_transform, rgb, rgb, cmsUInt32Number(pixels));
}
