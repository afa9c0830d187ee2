// The silicon sample structure file and its placement in the application directory.
#include "core/structure/samplestructure.h"

#include "core/io/filebytes.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace xtalsp {

// Diamond-cubic silicon: eight atoms in the conventional cubic cell, a = 5.4305 Angstrom.
// 0xC5 is the Angstrom sign in Windows-1252.
const std::string_view kSampleStructureText =
    "! Text format Crystal Structure file\r\n"
    "! Text starting from ! or # to end of line are comments\r\n"
    "# You can insert blank or comment lines anywhere\r\n"
    "\r\n"
    "Silicon\t\t\t! Crystal Name\r\n"
    "5.4305\t5.4305\t5.4305\t! Lattice constants a, b, c (\xC5"
    ")\r\n"
    "90\t90\t90\t! alpha, beta, gamma (degree)\r\n"
    "\r\n"
    "8\t! Number of atoms in the unit cell\r\n"
    "\t! more accurately, the number of atoms listed below\r\n"
    "\r\n"
    "! Atom\tX\tY\tZ\tOccupancy fraction\r\n"
    "Si\t0\t0\t0\t1  ! Occupancy optional if 1\r\n"
    "Si\t0.5\t0.5\t0\t1\r\n"
    "Si\t0.5\t0\t0.5\t1\r\n"
    "Si\t0\t0.5\t0.5\t1\r\n"
    "Si\t0.25\t0.25\t0.25\t1\r\n"
    "Si\t0.75\t0.75\t0.25\t1\r\n"
    "Si\t0.75\t0.25\t0.75\t1\r\n"
    "Si\t0.25\t0.75\t0.75\t1\r\n"
    "\r\n"
    "! Other optional parameters\r\n"
    "\r\n"
    "532\t! Debye characteristic temperature (K)\r\n"
    "2.56\t! Thermal expansion coefficient (10^-6 /K)\r\n"
    "\r\n"
    "! End of structure";

namespace {
// Anything already standing under the name, readable or not, is the user's and stays.
bool somethingExistsAt(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}
} // namespace

bool ensureSampleStructureFile(const std::string& applicationDirectory) {
    try {
        const std::string path =
            joinPath(applicationDirectory, std::string(kSampleStructureFileName));
        if (canOpenForReading(path) || somethingExistsAt(path))
            return false;
        // Written through a temporary file, so an interrupted write never leaves a truncated
        // sample that would then be kept for good.
        return writeFileAtomically(path, kSampleStructureText).ok();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace xtalsp
