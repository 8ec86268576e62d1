"""charplay's benchmarks; the Python ones run as modules from the project's
folder (python3 -m bench.startup ...), which lets them share the tests'
harness."""
