// The program's own settings in lumivista.ini (the settings store, in the data folder):
// one declaration per setting with its section, key, type, default and range. Every reader
// and writer goes through readProgramSetting and writeProgramSetting, so a key is spelt
// once. The project's settings are in gallery/settingstable.h.
#pragma once

#include <QString>
#include <QStringView>

#include <limits>
#include <type_traits>

// A value of lumivista.ini; T is QString, int or bool.
template <typename T> struct ProgramSetting
{
    using Default = std::conditional_t<std::is_same_v<T, QString>, QStringView, T>;

    QStringView section = {}; // empty: the program's own section, [lumivista]
    // Empty for a setting kept per server: its key is then the host name in lower case,
    // "_" and the port ("ftp.example.org_21"), see readServerSetting.
    QStringView key = {};
    Default defaultValue{}; // what a missing key (or, for numbers, a non-number) reads as
    // int: a number outside [minimum, maximum] is brought into it, or reads as the default
    // with outsideReadsDefault (an unknown Tls must never turn into plain FTP).
    int minimum = std::numeric_limits<int>::min();
    int maximum = std::numeric_limits<int>::max();
    bool outsideReadsDefault = false;
    // bool: the texts written. "true" in any case or a number other than 0 reads as true
    // too, unless onlyTrueText.
    QStringView trueText = u"1";
    QStringView falseText = u"0";
    bool onlyTrueText = false;
};

// [lumivista] FtpTransfers: files the gallery upload sends at once, each on a connection of
// its own (the FTP window's "Transfers:", `lumivista upload` without --connections).
inline constexpr ProgramSetting<int> kFtpTransfers{
    .key = u"FtpTransfers", .defaultValue = 4, .minimum = 1, .maximum = 10};

// [lumivista] Portable, read from the lumivista.ini beside the program (not the one in the
// data folder) before the data folders are known: a leading number above 0 keeps the data
// beside the program. Read by the data folders' own rule (paths.h), only its key is here.
inline constexpr ProgramSetting<int> kPortable{.key = u"Portable", .defaultValue = 0};

// [FTP]: the FTP window's fields as it last held them.
inline constexpr ProgramSetting<QString> kFtpServer{.section = u"FTP", .key = u"Server"};
inline constexpr ProgramSetting<QString> kFtpUser{.section = u"FTP", .key = u"User"};
// Stored only where the window may keep the password; otherwise written empty.
inline constexpr ProgramSetting<QString> kFtpPw{.section = u"FTP", .key = u"Pw"};
inline constexpr ProgramSetting<QString> kFtpPath{
    .section = u"FTP", .key = u"Path", .defaultValue = u"/"};
inline constexpr ProgramSetting<bool> kFtpActive{
    .section = u"FTP", .key = u"Active", .trueText = u"True", .falseText = u"False"};
// The position of "Encryption:" (FtpTlsMode: 0 if available, 1 require, 2 plain).
inline constexpr ProgramSetting<int> kFtpTls{.section = u"FTP",
                                             .key = u"Tls",
                                             .defaultValue = 0,
                                             .minimum = 0,
                                             .maximum = 2,
                                             .outsideReadsDefault = true};
inline constexpr ProgramSetting<QString> kFtpKeyFile{.section = u"FTP", .key = u"KeyFile"};

// Per server (host and port): the SHA-256 fingerprint of the certificate the user trusts
// there, and the mark of a login that ran under TLS there.
inline constexpr ProgramSetting<QString> kFtpCertificates{.section = u"FtpCertificates"};
inline constexpr ProgramSetting<bool> kFtpTlsLogins{.section = u"FtpTlsLogins",
                                                    .onlyTrueText = true};

// The stored value, or the default. Never throws.
template <typename T> T readProgramSetting(const ProgramSetting<T>& setting);
// Stores `value` as the settings store does (the file untouched when it holds the text
// already). Throws LumiError when the settings file cannot be written.
template <typename T>
void writeProgramSetting(const ProgramSetting<T>& setting, const std::type_identity_t<T>& value);

// The same for a setting kept per server.
template <typename T>
T readServerSetting(const ProgramSetting<T>& setting, const QString& host, quint16 port);
template <typename T>
void writeServerSetting(const ProgramSetting<T>& setting, const QString& host, quint16 port,
                        const std::type_identity_t<T>& value);
