// The one translation unit that compiles stb_image. Skin images are decoded
// from memory only; dimensions are capped so that a forged header cannot ask
// for gigabytes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS (1 << 14)
#include <stb_image.h>
