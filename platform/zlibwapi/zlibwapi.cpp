// zlibwapi.dll: zlib with the standard (stdcall) calling convention.
//
// Each export is a thin stdcall wrapper over the cdecl routine of the static zlib it is linked
// with. The wrappers carry their own names so that they never collide with zlib's; the .def
// file exports them under zlib's undecorated names.
#include <windows.h>
#include <zlib.h>

extern "C" {

uLong WINAPI ZlibWapiAdler32(uLong adler, const Bytef* buf, uInt len)
{
    return adler32(adler, buf, len);
}

int WINAPI ZlibWapiCompress2(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen,
                             int level)
{
    return compress2(dest, destLen, source, sourceLen, level);
}

int WINAPI ZlibWapiUncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen)
{
    return uncompress(dest, destLen, source, sourceLen);
}

uLong WINAPI ZlibWapiCompressBound(uLong sourceLen)
{
    return compressBound(sourceLen);
}

const char* WINAPI ZlibWapiVersion()
{
    return zlibVersion();
}

}  // extern "C"
