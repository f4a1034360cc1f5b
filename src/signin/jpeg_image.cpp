#include "signin/jpeg_image.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <mutex>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// It jumps back to the setjmp of the step that called into the library. Each
// step is a member function with no C++ objects of its own, so the jump skips
// no destructor; the image it fills is owned by the caller, outside the jump.
struct JumpingErrorManager {
    jpeg_error_mgr base; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JumpingErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

// Warnings (level -1) mean corrupt data that libjpeg would patch over, for
// example with grey rows after a truncation: treat them as errors. Trace
// messages (levels above 0) are ignored; nothing reaches stderr.
void failOnWarning(j_common_ptr info, int level)
{
    if (level < 0)
        jumpOnError(info);
}

void printNothing(j_common_ptr) { }

class JpegReader {
public:
    JpegReader()
    {
        info_.err = jpeg_std_error(&errors_.base);
        errors_.base.error_exit = jumpOnError;
        errors_.base.emit_message = failOnWarning;
        errors_.base.output_message = printNothing;
    }
    ~JpegReader()
    {
        if (created_)
            jpeg_destroy_decompress(&info_);
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    // Reads the header and starts decompression into 8-bit RGB.
    bool start(const unsigned char* data, unsigned long size)
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        jpeg_mem_src(&info_, data, size);
        if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK)
            return false;
        info_.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info_);
        return info_.output_components == 3;
    }

    int width() const { return static_cast<int>(info_.output_width); }
    int height() const { return static_cast<int>(info_.output_height); }

    // Decodes every row, one at a time, into `bits` (rows `bytesPerLine`
    // apart, each at least width * 3 bytes).
    bool readRows(unsigned char* bits, std::size_t bytesPerLine)
    {
        if (setjmp(errors_.jump))
            return false;
        while (info_.output_scanline < info_.output_height) {
            JSAMPROW row = bits + info_.output_scanline * bytesPerLine;
            jpeg_read_scanlines(&info_, &row, 1);
        }
        jpeg_finish_decompress(&info_);
        return true;
    }

private:
    jpeg_decompress_struct info_ {};
    JumpingErrorManager errors_ {};
    bool created_ = false;
};

} // namespace

QImage decodeJpeg(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    JpegReader reader;
    if (!reader.start(reinterpret_cast<const unsigned char*>(bytes.constData()),
                      static_cast<unsigned long>(bytes.size())))
        return {};
    QImage image(reader.width(), reader.height(), QImage::Format_RGB888);
    if (image.isNull()) // too large to allocate
        return {};
    if (!reader.readRows(image.bits(), static_cast<std::size_t>(image.bytesPerLine())))
        return {};
    return image;
}

// Q_INIT_RESOURCE has to be used outside any namespace. The pictures are
// compiled into a static library, so the linker keeps them only when
// something refers to their registration function.
static void registerSignInResources()
{
    Q_INIT_RESOURCE(signin);
}

QImage loadJpegResource(const QString& path)
{
    static std::once_flag registered;
    std::call_once(registered, registerSignInResources);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeJpeg(file.readAll());
}
