#include "support/jpeg_reference.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace qm::test {

namespace {

struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) {
    if (std::getenv("QM_JPEG_DEBUG")) (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }

int componentsOf(JpegSpace s) {
    switch (s) {
        case JpegSpace::Gray: return 1;
        case JpegSpace::Cmyk:
        case JpegSpace::Ycck: return 4;
        default: return 3;
    }
}

}  // namespace

std::vector<unsigned char> testPicture(int width, int height, int components) {
    std::vector<unsigned char> p(static_cast<size_t>(width) * height * components);
    unsigned seed = 12345;
    size_t i = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = static_cast<int>((seed >> 16) & 15) - 8;
            bool edge = ((x / 37) + (y / 23)) % 3 == 0;
            for (int c = 0; c < components; ++c) {
                int v = (x * (c + 1) * 255 / (width + 1) + y * (3 - c % 3) * 255 / (3 * height + 1)) % 256;
                if (edge) v = 255 - v / 2;
                v += noise;
                p[i++] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return p;
}

std::string encodeJpeg(const JpegOptions& o) {
    int n = componentsOf(o.space);
    return encodeJpeg(testPicture(o.width, o.height, n), o);
}

std::string encodeJpeg(const std::vector<unsigned char>& pixels, const JpegOptions& o) {
    jpeg_compress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = onError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return std::string();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(o.width);
    info.image_height = static_cast<JDIMENSION>(o.height);
    info.input_components = componentsOf(o.space);
    switch (o.space) {
        case JpegSpace::Gray: info.in_color_space = JCS_GRAYSCALE; break;
        case JpegSpace::Cmyk:
        case JpegSpace::Ycck: info.in_color_space = JCS_CMYK; break;
        default: info.in_color_space = JCS_RGB; break;
    }
    jpeg_set_defaults(&info);
    switch (o.space) {
        case JpegSpace::Gray: jpeg_set_colorspace(&info, JCS_GRAYSCALE); break;
        case JpegSpace::YCbCr: jpeg_set_colorspace(&info, JCS_YCbCr); break;
        case JpegSpace::Rgb: jpeg_set_colorspace(&info, JCS_RGB); break;
        case JpegSpace::Cmyk: jpeg_set_colorspace(&info, JCS_CMYK); break;
        case JpegSpace::Ycck: jpeg_set_colorspace(&info, JCS_YCCK); break;
    }
    jpeg_set_quality(&info, o.quality, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = o.h[c];
        info.comp_info[c].v_samp_factor = o.v[c];
    }
    info.restart_interval = static_cast<unsigned>(o.restartInterval);
    info.write_Adobe_marker = o.adobeMarker ? TRUE : FALSE;
    info.write_JFIF_header = o.jfifMarker ? TRUE : FALSE;
    info.dct_method = JDCT_ISLOW;
    if (o.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const int stride = o.width * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

JpegImage decodeJpeg(const std::string& data, bool replicate, bool convert) {
    JpegImage image;
    decodeJpegInto(data, image, replicate, convert);
    return image;
}

bool decodeJpegInto(const std::string& data, JpegImage& image, bool replicate, bool convert) {
    image.ok = false;
    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = onError;
    trap.mgr.output_message = [](j_common_ptr) {};
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_YCbCr) info.out_color_space = JCS_RGB;
    if (info.jpeg_color_space == JCS_YCCK) info.out_color_space = JCS_CMYK;
    if (!convert) info.out_color_space = info.jpeg_color_space;
    info.dct_method = JDCT_ISLOW;
    if (replicate) info.do_fancy_upsampling = FALSE;
    // Our decoder shows the coefficients a cut-off progressive file has, not estimates.
    if (replicate) info.do_block_smoothing = FALSE;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.components = info.output_components;
    const size_t stride = static_cast<size_t>(image.width) * image.components;
    image.samples.resize(stride * image.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.samples.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    image.ok = true;
    return true;
}

}  // namespace qm::test
