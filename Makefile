# Front door: `make run` and `make test` install what is missing, build and go.
PRESET ?= default
BUILD_DIR := build/$(PRESET)

APT_PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins \
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev iproute2 util-linux socat \
  xvfb xdotool python3-pytest python3-pyatspi python3-gi at-spi2-core dbus-daemon clang-format \
  fonts-arphic-uming qt6-translations-l10n librsvg2-bin desktop-file-utils appstream lintian dpkg-dev file gzip tshark qt6ct openbox

.PHONY: deps build run test sanitize fuzz bench package clean

deps:
	@missing=""; for p in $(APT_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" = 0 ]; then sudo=""; \
	elif command -v sudo >/dev/null 2>&1; then sudo="sudo"; \
	else echo "Missing packages:$$missing"; \
	     echo "Install them as root with: apt-get update && apt-get install -y$$missing"; exit 1; fi; \
	echo "Installing:$$missing"; \
	$$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y$$missing

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: DISPLAY is not set. Run 'make run' in a desktop session, or: xvfb-run $(BUILD_DIR)/lanspry"; \
	  exit 1; fi
	$(BUILD_DIR)/lanspry

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset $(PRESET)

sanitize: deps
	cmake --workflow --preset sanitize

fuzz: deps
	cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++
	cmake --build build/fuzz
	build/fuzz/codec_fuzzer -max_total_time=$${FUZZ_SECONDS:-60} -print_final_stats=1 build/fuzz/corpus fuzz/corpus
	build/fuzz/ini_fuzzer -max_total_time=$${FUZZ_SECONDS:-60} -print_final_stats=1 build/fuzz/ini_corpus fuzz/ini_corpus

bench: build
	@bench/machine.sh
	$(BUILD_DIR)/bench/codec_bench
	$(BUILD_DIR)/bench/record_bench
	$(BUILD_DIR)/bench/profile_bench
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/display_bench
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/sendbox_bench
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/flood
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/flood record
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/flood send
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/flood reply
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/flood commands
	$(BUILD_DIR)/bench/reply_bench
	/usr/bin/python3 bench/startup.py $(BUILD_DIR)/lanspry $(BUILD_DIR)/bench/empty_dialog

# The packaged program is built apart with Debian's hardening flags; the tests keep their own. Any
# of lintian's hardening tags fails the package, as an error does.
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	cmake --preset package -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" -DCMAKE_MODULE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build --preset package
	rm -rf build/package/package
	cd build/package && cpack -G DEB
	@lintian --display-info --fail-on error build/package/package/lanspry_*.deb > build/package/lintian.txt; \
	rc=$$?; cat build/package/lintian.txt; [ $$rc = 0 ] || exit $$rc; \
	if grep -E 'hardening-' build/package/lintian.txt; then echo "lintian: the package is not hardened"; exit 1; fi

clean:
	rm -rf build
