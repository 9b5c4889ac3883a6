# Tallowick Balance: `make run` sets up, builds, installs and starts the
# program; `make test` builds and runs every test. Missing Debian packages
# are installed first.

DEFAULT_PREFIX := $(HOME)/.local/opt/quorvel/tallowick
PREFIX   ?= $(DEFAULT_PREFIX)
# The XDG base directory rule: an unset, empty or relative XDG_DATA_HOME
# means $HOME/.local/share (never a folder at the root of the file system).
GIVEN_XDG := $(strip $(XDG_DATA_HOME))
override XDG_DATA_HOME := $(if $(filter /%,$(firstword $(GIVEN_XDG))),$(GIVEN_XDG),$(HOME)/.local/share)
BUILD    ?= build
SANITIZE ?= 0
JOBS     ?= 2
# Most test programs spend their time waiting (window timers, another
# program's lock), so they run twice as many at a time as the build's jobs.
TEST_JOBS ?= $(shell echo $$(( 2 * $(JOBS) )))
FUZZ_SECONDS ?= 60

ifeq ($(SANITIZE),1)
BUILD_DIR := $(BUILD)-sanitize
CMAKE_FLAGS := -DTALLOWICK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD_DIR := $(BUILD)
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libsqlite3-dev sqlite3 fonts-liberation2 \
            clang-format poppler-utils clang-14 libclang-rt-14-dev libofx-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test install bench fuzz format format-check mutants clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing: $$missing"; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The default install also puts Tallowick Balance in the user's application
# menu; another PREFIX writes nothing outside itself.
install: build
	cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"
	@if [ "$(abspath $(PREFIX))" = "$(abspath $(DEFAULT_PREFIX))" ]; then \
		mkdir -p "$(XDG_DATA_HOME)/applications" && \
		cp "$(PREFIX)/tallowick.desktop" "$(XDG_DATA_HOME)/applications/tallowick.desktop" && \
		echo "-- Added to the application menu: $(XDG_DATA_HOME)/applications/tallowick.desktop"; \
	fi

run: install
	"$(PREFIX)/tallowick"

# SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer in
# its own folder and runs the tests labelled "sanitize": the text conversions
# under hostile input and the file-operation fault test.
ifeq ($(SANITIZE),1)
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest -L sanitize --output-on-failure -j $(JOBS)
else
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(TEST_JOBS)
endif

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/tallowick-bench
	$(BUILD_DIR)/bench/tallowick-interchange-bench
	$(BUILD_DIR)/bench/tallowick-report-bench

# libFuzzer targets for the files other programs hand the ledger (the CSV
# import, the text conversions), built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in their own folder without Qt. Each replays its
# regressions, then fuzzes for FUZZ_SECONDS; a finding fails the run.
fuzz: deps
	@test -f $(BUILD)-fuzz/build.ninja || cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
		-DTALLOWICK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	tests/fuzz/run-fuzzers.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# The house style (.clang-format) over every tracked .cpp and .h: `format`
# rewrites the files, `format-check` fails where one departs from it.
format: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

format-check: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

# Plants each fault listed in mutants/mutants.txt in turn and runs the
# tests against it (slow; not part of `make test`). ONLY=<regex> runs the
# entries whose file or text matches.
mutants: configure
	mutants/run-mutants.sh $(BUILD_DIR) '$(ONLY)'

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz
