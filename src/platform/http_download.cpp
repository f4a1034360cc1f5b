#include "platform/http_download.h"

#include "platform/files.h"
#include "platform/url_reader.h"

#include <array>

namespace platform {

bool DownloadFile(const std::string& url, const std::string& target)
{
    detail::UrlReader body(executableFileName(), url);
    FileWriter file(target);
    std::array<char, kDownloadReadSize> buffer;

    std::size_t count = body.read(buffer.data(), buffer.size());
    if (count == 0) {
        file.close();
        return false;
    }
    unsigned long long received = 0;
    do {
        file.write(buffer.data(), count);
        received += count;
        count = body.read(buffer.data(), buffer.size());
    } while (count > 0);
    file.close();
    const long long announced = body.announcedLength();
    return body.completed() && (announced < 0 || received == static_cast<unsigned long long>(announced));
}

} // namespace platform
