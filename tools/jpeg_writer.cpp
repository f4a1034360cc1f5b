#include "jpeg_writer.h"

#include <QImage>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct JumpingErrorManager {
    jpeg_error_mgr base; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(info->err)->jump, 1);
}

void printNothing(j_common_ptr) { }

// Owns the compressor and the memory buffer jpeg_mem_dest allocates. Only
// the member functions that call libjpeg hold a setjmp, and they create no
// C++ objects, so a jump from libjpeg skips no destructor.
class JpegWriter {
public:
    JpegWriter()
    {
        info_.err = jpeg_std_error(&errors_.base);
        errors_.base.error_exit = jumpOnError;
        errors_.base.output_message = printNothing;
    }
    ~JpegWriter()
    {
        if (created_)
            jpeg_destroy_compress(&info_);
        std::free(buffer_); // jpeg_mem_dest's buffer, malloc'ed by libjpeg
    }
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // `rgb` holds `height` rows of width * 3 bytes, `bytesPerLine` apart.
    bool write(const unsigned char* rgb, std::size_t bytesPerLine, int width, int height, int quality)
    {
        if (setjmp(errors_.jump))
            return false;
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_mem_dest(&info_, &buffer_, &size_);
        info_.image_width = static_cast<JDIMENSION>(width);
        info_.image_height = static_cast<JDIMENSION>(height);
        info_.input_components = 3;
        info_.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, quality, TRUE);
        info_.optimize_coding = TRUE; // smaller file, still baseline
        info_.comp_info[0].h_samp_factor = 1; // 4:4:4
        info_.comp_info[0].v_samp_factor = 1;
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            auto row = const_cast<JSAMPROW>(rgb + info_.next_scanline * bytesPerLine);
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
        return true;
    }

    QByteArray bytes() const
    {
        return QByteArray(reinterpret_cast<const char*>(buffer_), static_cast<qsizetype>(size_));
    }

private:
    jpeg_compress_struct info_ {};
    JumpingErrorManager errors_ {};
    bool created_ = false;
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
};

} // namespace

QByteArray encodeJpeg(const QImage& image, int quality)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    JpegWriter writer;
    if (!writer.write(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), rgb.width(),
                      rgb.height(), quality))
        return {};
    return writer.bytes();
}
