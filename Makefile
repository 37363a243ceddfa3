# Online NAX Reporting: set-up, build, tests and the demo on a Debian machine.
BUILD      ?= build
JOBS       ?= 2
DEMO_DIR   := $(BUILD)/demo-data
DEMO_DB    := $(DEMO_DIR)/db1.sqlite
PACKAGES   := g++ cmake ninja-build pkg-config qt6-base-dev qt6-charts-dev libsqlite3-dev sqlite3 \
              libxlsxwriter-dev libzip-dev libpugixml-dev googletest libgtest-dev fonts-dejavu-core fonts-liberation2 time \
              libpq-dev postgresql python3-openpyxl dpkg-dev file
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test run bench clean package

all: build

# Installs the Debian packages that are missing (none when all are present).
deps:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# Opens the program on the demo plant, simulated again when its data ends more than a day ago;
# without a display, prints the last six hours instead.
run: build
	mkdir -p $(DEMO_DIR)
	$(BUILD)/bin/nax-simulate --out $(DEMO_DB) --days 30 --if-stale
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/bin/nax --data-dir $(DEMO_DIR); \
	else \
	  echo "No display found: printing the downtime list of the last six hours of the demo plant."; \
	  $(BUILD)/bin/nax-report downtime-list --db $(DEMO_DB) \
	    --from "$$(date -d '6 hours ago' '+%Y-%m-%d %H:%M')" --to "$$(date '+%Y-%m-%d %H:%M')"; \
	fi

# The Debian package (build/nax_<version>_<arch>.deb), then a look at what it holds.
package: build
	cmake --build $(BUILD) --target package
	packaging/check-deb.sh $(BUILD)

bench: build
	bench/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
