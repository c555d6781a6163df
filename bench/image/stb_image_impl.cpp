// stb_image, built once for the benchmark's comparison only.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb_image.h>
