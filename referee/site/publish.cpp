#include "referee/site/publish.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "referee/site/csv.h"
#include "referee/site/site.h"

namespace referee::site {

Publish publisher(const std::string& site_dir, const std::string& crosstable_path) {
    if (site_dir.empty() && crosstable_path.empty())
        return {};
    return [site_dir, crosstable_path](const FinishedRun& run, std::ostream& out,
                                       std::ostream& errors) {
        bool written = true;
        const std::size_t players = run.standings.players.size();
        if (!crosstable_path.empty()) {
            std::ofstream file(crosstable_path, std::ios::binary | std::ios::trunc);
            file << crosstable_csv(run.standings);
            file.close();
            if (file) {
                out << "Crosstable of " << players << (players == 1 ? " player" : " players")
                    << " written to " << crosstable_path << '\n';
            } else {
                errors << "referee: cannot write " << crosstable_path << ": "
                       << std::strerror(errno) << '\n';
                written = false;
            }
        }
        if (!site_dir.empty()) {
            const bool site = write_site(site_dir, run, errors);
            out << (site ? "Site" : "Site, with the faults above,") << " written to "
                << (std::filesystem::path(site_dir) / "index.html").string()
                << " (crosstable.csv and standings.csv beside it)\n";
            written = written && site;
        }
        out << std::flush;
        return written;
    };
}

}  // namespace referee::site
