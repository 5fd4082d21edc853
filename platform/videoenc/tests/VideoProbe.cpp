#include "VideoProbe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string quoted(const std::string &text)
{
    std::string result = "'";
    for (const char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string output(const std::string &command)
{
    std::string text;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return text;
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, read);
    pclose(pipe);
    return text;
}

std::uint32_t bigEndian32(const unsigned char *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The order of the top-level MP4 boxes.
bool moovBeforeMdat(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    unsigned char header[8];
    std::uint64_t offset = 0;
    while (file.seekg(std::streamoff(offset)) && file.read(reinterpret_cast<char *>(header), 8)) {
        const std::string type(reinterpret_cast<char *>(header) + 4, 4);
        if (type == "moov")
            return true;
        if (type == "mdat")
            return false;
        const std::uint32_t size = bigEndian32(header);
        if (size < 8)
            return false;
        offset += size;
    }
    return false;
}

} // namespace

VideoProbe VideoProbe::of(const std::string &path)
{
    VideoProbe probe;
    const std::string stream = output("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                      "stream=codec_name,pix_fmt,width,height,nb_read_frames,duration "
                                      "-of default=noprint_wrappers=1 "
                                      + quoted(path) + " 2>/dev/null");
    std::istringstream lines(stream);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "codec_name")
            probe.codec = value;
        else if (key == "pix_fmt")
            probe.pixelFormat = value;
        else if (key == "width")
            probe.width = std::atoi(value.c_str());
        else if (key == "height")
            probe.height = std::atoi(value.c_str());
        else if (key == "nb_read_frames")
            probe.frames = std::atoi(value.c_str());
        else if (key == "duration")
            probe.duration = std::atof(value.c_str());
    }
    probe.readable = !probe.codec.empty();
    std::istringstream times(output("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time "
                                    "-of csv=p=0 " + quoted(path) + " 2>/dev/null"));
    while (std::getline(times, line)) {
        if (!line.empty())
            probe.frameTimes.push_back(std::atof(line.c_str()));
    }
    std::sort(probe.frameTimes.begin(), probe.frameTimes.end());
    probe.indexFirst = moovBeforeMdat(path);
    return probe;
}

std::vector<std::uint8_t> decodedFrame(const std::string &path, int index)
{
    const std::string text = output("ffmpeg -v error -i " + quoted(path) + " -vf " + quoted("select=eq(n\\," + std::to_string(index) + ")")
                                    + " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    return std::vector<std::uint8_t>(text.begin(), text.end());
}
