// Mesh building against mesh size: OlvarObject construction from a loader
// over one grid object of about 1 000, 10 000 and 60 000 faces. The time per
// face should stay flat as the mesh grows.
#include "bench/bench_report.h"
#include "bench/grid_scene.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"

#include <benchmark/benchmark.h>

#include <iomanip>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

// One grid mesh to build: its size and the loader holding it.
struct Mesh {
    std::string label;
    int nx, ny;
    int faces, vertices;
    std::unique_ptr<OlvarLoad3DS> loader;
    int builtFaces = 0;
};

// Loads a one-grid scene of nx × ny quads into a silent loader.
std::unique_ptr<OlvarLoad3DS> LoadGrid(int nx, int ny)
{
    const std::vector<uint8_t> image = bench::GridScene(1, nx, ny, 2);
    return std::make_unique<OlvarLoad3DS>(image.data(), image.size(), nullptr);
}

void BenchBuild(benchmark::State& state, Mesh* mesh)
{
    for (auto _ : state) {
        OlvarObject object(mesh->loader.get(), "Grid00", true);
        benchmark::DoNotOptimize(object.VertexArray());
        mesh->builtFaces = object.FaceCount();
    }
    state.counters["faces"] = mesh->faces;
    state.counters["time/face"] = benchmark::Counter(
        mesh->faces, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The summary: build time and time per face for each size, and how the
// per-face time grows from the smallest mesh.
void PrintTable(std::ostream& out, const std::vector<Mesh>& meshes, const bench::KeepingReporter& rep)
{
    out << "\nMesh building (OlvarObject from a loaded grid, relative vertices), CPU time\n\n";
    out << "| mesh | faces | vertices | faces built | ms per build | ns per face | vs smallest |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|\n";
    double first = 0;
    for (const Mesh& m : meshes) {
        const bench::Figure* f = rep.Find("build/" + m.label);
        if (!f)
            continue;
        const double perFace = f->nanoseconds / m.faces;
        if (first == 0)
            first = perFace;
        out << "| " << m.label << " | " << m.faces << " | " << m.vertices << " | " << m.builtFaces << " | "
            << std::fixed << std::setprecision(3) << f->nanoseconds / 1e6 << " | " << std::setprecision(1)
            << perFace << " | " << std::setprecision(2) << perFace / first << "x |\n";
    }
    out.flush();
}

}  // namespace

int main(int argc, char** argv)
{
    bench::QuietStdout quiet(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::vector<Mesh> meshes;
    for (auto [label, nx, ny] : {std::tuple{"grid-1k", 25, 20}, {"grid-10k", 100, 50}, {"grid-60k", 200, 150}})
        meshes.push_back({label, nx, ny, 2 * nx * ny, (nx + 1) * (ny + 1), LoadGrid(nx, ny)});
    for (Mesh& m : meshes)
        benchmark::RegisterBenchmark(("build/" + m.label).c_str(), BenchBuild, &m)->Unit(benchmark::kMillisecond);

    auto reporter = bench::RunAll(quiet.Out());
    if (!reporter->Empty())
        PrintTable(quiet.Out(), meshes, *reporter);
    benchmark::Shutdown();
    return 0;
}
