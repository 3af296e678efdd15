// libFuzzer target for the FTP control connection's reader: bytes as a server sends them
// are cut into lines (with the client's line cap), assembled into replies, and every
// reply is read as the answer to PASV (227), EPSV (229), PWD (257) and a transfer's 150.
#include "fuzzsupport.h"

#include "ftp/ftpclient.h"
#include "ftp/ftpreply.h"
#include "util/error.h"

#include <cstddef>
#include <cstdint>

namespace {

void readEveryWay(const FtpReply& reply)
{
    FUZZ_CHECK(reply.code >= 100 && reply.code <= 599);
    FUZZ_CHECK(!reply.lines.isEmpty());
    (void)reply.lastText();
    try {
        FUZZ_CHECK(ftpPasvPort(reply) != 0);
    } catch (const LumiError&) {
    }
    try {
        FUZZ_CHECK(ftpEpsvPort(reply) != 0);
    } catch (const LumiError&) {
    }
    FUZZ_CHECK(ftpOpeningSize(reply) >= -1);
    try {
        const QString folder = ftpPwdFolder(reply);
        for (const QChar c : folder)
            FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    } catch (const LumiError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A small cap, so that inputs of fuzzer size reach the too-long-line path.
    const qsizetype maxLine = size > 0 && (data[0] & 1) ? 64 : FTPClient::kMaxReplyLine;
    QByteArray buffer(reinterpret_cast<const char*>(data), qsizetype(size));
    FtpReplyAssembler assembler;
    try {
        QByteArray line;
        while (takeLine(buffer, line, maxLine)) {
            FUZZ_CHECK(line.size() <= maxLine);
            FUZZ_CHECK(!line.contains('\n'));
            if (assembler.addLine(QString::fromUtf8(line)))
                readEveryWay(assembler.take());
        }
        FUZZ_CHECK(buffer.size() <= maxLine + 1);
    } catch (const LumiError&) {
    }
    return 0;
}
