# Set-up, build and tests in two commands: `make run` and `make test`.
PACKAGES := cmake make g++ pkg-config python3 libicu-dev libssl-dev libcurl4-openssl-dev \
            libgtest-dev libgmock-dev dpkg-dev file man-db groff-base nlohmann-json3-dev mandoc \
            git lintian devscripts vim neovim
# What a distribution build of the debian/ folder needs besides (`make distcheck`).
DIST_PACKAGES := debhelper
# The interpreters `make bench` compares Corvel with; tcllib-critcl is tcllib's compiled MD5.
BENCH_PACKAGES := python3 perl tcl8.6 tcllib tcllib-critcl lua5.4 luajit
# What the fuzz targets need: Debian's clang with its sanitizer and libFuzzer runtimes, and
# llvm-symbolizer for readable reports.
FUZZ_PACKAGES := clang llvm libclang-rt-14-dev cmake make pkg-config libicu-dev libssl-dev \
                 libcurl4-openssl-dev nlohmann-json3-dev
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_TARGETS := fuzz_load fuzz_run fuzz_differential fuzz_analysis
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
DESTDIR ?=
# The one version, as CMakeLists.txt declares it.
VERSION := $(shell sed -n 's/^project(corvel VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)

.PHONY: run test test-sanitize faults fuzz bench deps editor-deps build install package editors \
        dist distcheck clean

run: build
	./$(BUILD)/corvel examples/tour.cv

test: build editor-deps
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Every test again, on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps editor-deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCORVEL_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j$(JOBS)

# Every call of each kind failing in turn with every fault (tests/faults, docs/fuzzing.md), on the
# release build and again under the sanitizers; `make test` runs a sample of it.
faults: build
	python3 tests/faults/run_faults.py $(BUILD)/corvel $(BUILD)/libcorvel_faults.so --all --jobs $(JOBS)
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCORVEL_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS) --target corvel corvel_fault_shim
	python3 tests/faults/run_faults.py $(SANITIZE_BUILD)/corvel $(SANITIZE_BUILD)/libcorvel_faults.so \
	  --all --sanitized --jobs $(JOBS)

# Builds the libFuzzer targets with clang and runs each in turn for FUZZ_SECONDS, in one process
# at low priority. What the fuzzer finds stays in $(FUZZ_BUILD)/corpus/<target> for the next run;
# a crashing input is saved as $(FUZZ_BUILD)/crash-* and the target stops with a failure.
fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCORVEL_FUZZ=ON -DCORVEL_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(FUZZ_TARGETS) fuzz_seeds
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target; \
	  echo "== $$target, $(FUZZ_SECONDS) seconds"; \
	  UBSAN_OPTIONS=print_stacktrace=1 nice -n 10 ./$(FUZZ_BUILD)/$$target \
	    $(FUZZ_BUILD)/corpus/$$target $(FUZZ_BUILD)/seeds -dict=fuzz/corvel.dict \
	    -max_total_time=$(FUZZ_SECONDS) -timeout=20 -artifact_prefix=$(abspath $(FUZZ_BUILD))/ \
	    -print_final_stats=1 || exit 1; \
	done

# Times Corvel against the peers; options go in BENCH_ARGS, e.g. BENCH_ARGS="--scale 0.1".
bench: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(BENCH_PACKAGES)"
	python3 bench/run.py --corvel $(BUILD)/corvel --cache $(BUILD)/bench-cache $(BENCH_ARGS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)

# The programs, man pages, reference and editor files under $(DESTDIR)$(PREFIX).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package that installs to /usr: $(BUILD)/corvel_<version>_<arch>.deb. Every time stamp
# in it is the last commit's, so the same commit always gives the same bytes.
package: build
	cd $(BUILD) && cpack -G DEB

# The VS Code extension for the Marketplace, packaged by vsce: $(BUILD)/corvel-<version>.vsix.
editors: build editor-deps
	cmake --build $(BUILD) --target vsix

# The source tarball of the last commit: $(BUILD)/corvel-<version>.tar.gz, the same bytes for the
# same commit.
dist:
	mkdir -p $(BUILD)
	git -c tar.tar.gz.command="gzip -cn" archive --format=tar.gz --prefix=corvel-$(VERSION)/ \
	    -o $(BUILD)/corvel-$(VERSION).tar.gz HEAD

# The source tarball built as a distribution builds it: dpkg-buildpackage -b (tests included) in
# an unpacked copy, lintian on the package, then a second build in another folder, without the
# tests, which must give the same bytes.
distcheck: dist
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) $(DIST_PACKAGES)"
	rm -rf $(BUILD)/distcheck
	for copy in first second; do \
	  mkdir -p $(BUILD)/distcheck/$$copy && \
	  tar -xzf $(BUILD)/corvel-$(VERSION).tar.gz -C $(BUILD)/distcheck/$$copy || exit 1; \
	done
	cd $(BUILD)/distcheck/first/corvel-$(VERSION) && \
	    DEB_BUILD_OPTIONS="parallel=$(JOBS)" dpkg-buildpackage -b -us -uc
	lintian -i -I --pedantic --fail-on error,warning,info,pedantic \
	    $(BUILD)/distcheck/first/corvel_$(VERSION)_*.deb
	cd $(BUILD)/distcheck/second/corvel-$(VERSION) && \
	    DEB_BUILD_OPTIONS="nocheck parallel=$(JOBS)" dpkg-buildpackage -b -us -uc
	cd $(BUILD)/distcheck && for deb in first/*.deb first/*.ddeb; do \
	  [ -e "$$deb" ] || continue; \
	  cmp "$$deb" "second/$${deb#first/}" || exit 1; \
	done
	@echo "distcheck: the package builds, passes its tests and lintian, and builds the same twice"

# Installs the Debian packages that are missing when run as root; otherwise names them.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	  else \
	    echo "Missing Debian packages. Install them with:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi

# The editor grammar's test runs on Node.js with the npm packages pinned in editors/package-lock.json.
editor-deps: editors/node_modules/.package-lock.json

editors/node_modules/.package-lock.json: editors/package-lock.json
	@if ! command -v node >/dev/null || ! command -v npm >/dev/null; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nodejs npm; \
	  else \
	    echo "Missing Debian packages. Install them with:"; \
	    echo "  sudo apt-get install -y nodejs npm"; \
	    exit 1; \
	  fi; \
	fi
	cd editors && npm ci --no-audit --no-fund
	touch $@

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
