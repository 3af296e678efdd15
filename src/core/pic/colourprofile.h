// Embedded ICC colour profiles: rows of 8-bit RGB in a photo's own profile (Adobe RGB,
// Display P3...) converted to sRGB with lcms2.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class ProfileConversion
{
public:
    // The conversion for an RGB profile other than sRGB; nothing for an empty profile, an
    // sRGB one or one that is not RGB. A profile lcms cannot use gives nothing and says why
    // in `warning`: the picture keeps its numbers as they are.
    static std::unique_ptr<ProfileConversion> from(const QByteArray& icc, QString* warning);
    ~ProfileConversion();
    ProfileConversion(const ProfileConversion&) = delete;
    ProfileConversion& operator=(const ProfileConversion&) = delete;

    // Converts `pixels` RGB888 pixels in place.
    void convertRow(unsigned char* rgb, int pixels) const;

private:
    explicit ProfileConversion(void* transform) : m_transform(transform) {}
    void* m_transform; // cmsHTRANSFORM
};
