// Remakes the golden pairs: t2n_make_golden DIR writes each golden log and its conversion (the
// whole log, bias -540) into DIR. Check the new outputs by eye before committing them.
#include "convert/ConversionService.h"
#include "support/GoldenLogs.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: t2n_make_golden DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    for (const t2ntest::GoldenPair& pair : t2ntest::kGoldenPairs) {
        const std::string log = (dir / pair.Log).string();
        const std::string nmea = (dir / pair.Nmea).string();
        const t2ntest::Bytes bytes = pair.Make();
        std::FILE* f = std::fopen(log.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
            std::fclose(f) != 0)
            return 1;
        ConversionService service(t2ntest::kGoldenBias);
        if (service.Load(log).Kind == LogKind::None || !service.Export(nmea, ExportRequest{}).Ok())
            return 1;
        std::printf("%s: %d fixes\n", nmea.c_str(), service.FixCount());
    }
    return 0;
}
