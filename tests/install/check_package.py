"""Builds the Debian package of a finished build and checks what it holds.

Arguments: the cpack program and the build folder.
"""
import glob
import shutil
import subprocess
import sys
import tempfile

# The checks run from the source tree, which a test run must leave as it was.
sys.dont_write_bytecode = True
from check_install import METAINFO, SIZES, finish  # noqa: E402

FILES = ["./usr/bin/kiritori",
         "./usr/share/applications/kiritori.desktop",
         f"./usr/share/metainfo/{METAINFO}",
         "./usr/share/man/man1/kiritori.1.gz"] + \
        [f"./usr/share/icons/hicolor/{size}x{size}/apps/kiritori.png" for size in SIZES]
# Packages the program cannot start without.
DEPENDS = ["libqt6widgets6", "libjpeg62-turbo", "libfontconfig1", "libxcb1", "fonts-ipafont-gothic"]


def main():
    cpack, build_dir = sys.argv[1:3]
    if shutil.which("dpkg-deb") is None:
        print("dpkg-deb is not installed")
        sys.exit(77)
    out = tempfile.mkdtemp(prefix="kiritori-package-")
    failures = []
    try:
        result = subprocess.run([cpack, "--config", f"{build_dir}/CPackConfig.cmake", "-B", out],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        debs = glob.glob(f"{out}/*.deb")
        if result.returncode != 0 or len(debs) != 1:
            print(result.stdout)
            failures.append(f"cpack made {len(debs)} packages (exit status {result.returncode})")
        else:
            listing = subprocess.run(["dpkg-deb", "-c", debs[0]], capture_output=True, text=True, check=True).stdout
            # The path is the last column; entries are files ("-") or folders ("d").
            entries = {line.split()[-1].rstrip("/"): line[0] for line in listing.splitlines() if line.strip()}
            for path in FILES:
                if entries.get(path) != "-":
                    failures.append(f"the package lacks {path}")
            stray = [path for path in entries if path not in (".", "./usr") and not path.startswith("./usr/")]
            if stray:
                failures.append(f"the package installs outside /usr: {stray}")
            fields = {field: subprocess.run(["dpkg-deb", "-f", debs[0], field], capture_output=True, text=True,
                                            check=True).stdout.strip()
                      for field in ("Package", "Version", "Depends")}
            if fields["Package"] != "kiritori" or not fields["Version"]:
                failures.append(f"package {fields['Package']!r}, version {fields['Version']!r}")
            depends = [entry.split()[0] for entry in fields["Depends"].replace("|", ",").split(",") if entry.strip()]
            for package in DEPENDS:
                if package not in depends:
                    failures.append(f"the package does not depend on {package} ({fields['Depends']})")
    finally:
        shutil.rmtree(out, ignore_errors=True)
    finish(failures)


if __name__ == "__main__":
    main()
